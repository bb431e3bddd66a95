#include "vocabulary/constants.h"

#include <array>

#include "core/state.h"

namespace kelvo {

namespace {

// In the order in which they are bound. Colour numbers hold red in the
// lowest byte: red + 256 * green + 65536 * blue.
constexpr std::array constant_table = {
    //          name              replacement text
    ConstantRow{"true",           "1"},
    ConstantRow{"false",          "0"},
    ConstantRow{"pi",             "3.141592653589793238462643383279502884197169399375105820974944592"},
    ConstantRow{"white",          "c_white"},
    ConstantRow{"black",          "0"},
    ConstantRow{"red",            "255"},
    ConstantRow{"green",          "c_green"},
    ConstantRow{"blue",           "c_blue"},
    ConstantRow{"olive_green",    "4210688"},
    ConstantRow{"dark_green",     "21760"},
    ConstantRow{"dark_teal",      "6160384"},
    ConstantRow{"dark_blue",      "9109504"},
    ConstantRow{"indigo",         "8519755"},
    ConstantRow{"gray",           "2631720"},
    ConstantRow{"dark_red",       "139"},
    ConstantRow{"orange",         "2124031"},
    ConstantRow{"dark_yellow",    "35723"},
    ConstantRow{"teal",           "9342520"},
    ConstantRow{"blue_grey",      "12614523"},
    ConstantRow{"gray40",         "6710886"},
    ConstantRow{"light_orange",   "6008319"},
    ConstantRow{"lime",           "3329330"},
    ConstantRow{"sea_green",      "7451452"},
    ConstantRow{"aqua",           "13959039"},
    ConstantRow{"light_blue",     "12623485"},
    ConstantRow{"violet",         "8388736"},
    ConstantRow{"gray50",         "8355711"},
    ConstantRow{"pink",           "13353215"},
    ConstantRow{"gold",           "55295"},
    ConstantRow{"yellow",         "65535"},
    ConstantRow{"bright_green",   "65280"},
    ConstantRow{"turquoise",      "13688896"},
    ConstantRow{"sky_blue",       "16777152"},
    ConstantRow{"plum",           "4718664"},
    ConstantRow{"light_gray",     "12632256"},
    ConstantRow{"rose",           "14804223"},
    ConstantRow{"tan",            "9221230"},
    ConstantRow{"light_yellow",   "16056319"},
    ConstantRow{"pale_green",     "10025880"},
    ConstantRow{"pale_turquoise", "15658671"},
    ConstantRow{"pale_blue",      "9143144"},
    ConstantRow{"lavender",       "16443110"},
    ConstantRow{"c_day",          "current_day"},
    ConstantRow{"c_hour",         "current_hour"},
    ConstantRow{"c_minute",       "current_minute"},
    ConstantRow{"c_month",        "current_month"},
    ConstantRow{"c_second",       "current_second"},
    ConstantRow{"c_time",         "current_time"},
    ConstantRow{"c_weekday",      "current_weekday"},
    ConstantRow{"c_year",         "current_year"},
    ConstantRow{"clipboard_get",  "clipboard_get_text()"},
    ConstantRow{"linelist",       "pr_linelist"},
    ConstantRow{"linestrip",      "pr_linestrip"},
    ConstantRow{"pointlist",      "pr_pointlist"},
    ConstantRow{"trianglefan",    "pr_trianglefan"},
    ConstantRow{"trianglelist",   "pr_trianglelist"},
    ConstantRow{"trianglestrip",  "pr_trianglestrip"},
};

}  // namespace

void register_constants() {
    // Values the host gave through Parser_add_global_arg_real live beside the
    // built-in text in the same entry and take precedence over it.
    for (const ConstantRow& row : constant_table) state.names.entry(row.name).builtin_constant = row.text;
}

std::size_t constant_count() { return constant_table.size(); }
const ConstantRow& constant_row(std::size_t index) { return constant_table.at(index); }

}  // namespace kelvo
