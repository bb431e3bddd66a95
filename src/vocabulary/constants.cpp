#include "vocabulary/constants.h"

#include <array>

#include "core/state.h"

namespace kelvo {

namespace {

constexpr ConstantRow constant(std::string_view name, std::string_view text) { return {name, text}; }

// In the order in which they are bound. Colour numbers hold red in the
// lowest byte: red + 256 * green + 65536 * blue.
constexpr std::array constant_rows = {
    //       name              replacement text
    constant("true",           "1"),
    constant("false",          "0"),
    constant("pi",             "3.141592653589793238462643383279502884197169399375105820974944592"),
    constant("white",          "c_white"),
    constant("black",          "0"),
    constant("red",            "255"),
    constant("green",          "c_green"),
    constant("blue",           "c_blue"),
    constant("olive_green",    "4210688"),
    constant("dark_green",     "21760"),
    constant("dark_teal",      "6160384"),
    constant("dark_blue",      "9109504"),
    constant("indigo",         "8519755"),
    constant("gray",           "2631720"),
    constant("dark_red",       "139"),
    constant("orange",         "2124031"),
    constant("dark_yellow",    "35723"),
    constant("teal",           "9342520"),
    constant("blue_grey",      "12614523"),
    constant("gray40",         "6710886"),
    constant("light_orange",   "6008319"),
    constant("lime",           "3329330"),
    constant("sea_green",      "7451452"),
    constant("aqua",           "13959039"),
    constant("light_blue",     "12623485"),
    constant("violet",         "8388736"),
    constant("gray50",         "8355711"),
    constant("pink",           "13353215"),
    constant("gold",           "55295"),
    constant("yellow",         "65535"),
    constant("bright_green",   "65280"),
    constant("turquoise",      "13688896"),
    constant("sky_blue",       "16777152"),
    constant("plum",           "4718664"),
    constant("light_gray",     "12632256"),
    constant("rose",           "14804223"),
    constant("tan",            "9221230"),
    constant("light_yellow",   "16056319"),
    constant("pale_green",     "10025880"),
    constant("pale_turquoise", "15658671"),
    constant("pale_blue",      "9143144"),
    constant("lavender",       "16443110"),
    constant("c_day",          "current_day"),
    constant("c_hour",         "current_hour"),
    constant("c_minute",       "current_minute"),
    constant("c_month",        "current_month"),
    constant("c_second",       "current_second"),
    constant("c_time",         "current_time"),
    constant("c_weekday",      "current_weekday"),
    constant("c_year",         "current_year"),
    constant("clipboard_get",  "clipboard_get_text()"),
    constant("linelist",       "pr_linelist"),
    constant("linestrip",      "pr_linestrip"),
    constant("pointlist",      "pr_pointlist"),
    constant("trianglefan",    "pr_trianglefan"),
    constant("trianglelist",   "pr_trianglelist"),
    constant("trianglestrip",  "pr_trianglestrip"),
};

}  // namespace

void register_constants() {
    // Values the host gave through Parser_add_global_arg_real live beside the
    // built-in text in the same entry and take precedence over it.
    for (const ConstantRow& row : constant_rows) state.names.bind_constant(row.name, row.text);
}

std::span<const ConstantRow> constant_table() { return constant_rows; }

}  // namespace kelvo
