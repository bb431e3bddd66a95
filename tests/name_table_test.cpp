// The name table against a plain ordered map that does what it must do.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/name_table.h"

namespace kelvo {
namespace {

struct ModelEntry {
    std::string string_constant;
    std::string variable;
    bool parameter = false;
    bool touched = false;  // a variable or parameter name since the last reset
    bool holds_nothing() const { return string_constant.empty() && variable.empty() && !parameter; }
};

// "prefix" followed by the number (built up by appending: GCC 12 warns
// falsely on a literal added to a temporary string at -O3).
std::string numbered(const char* prefix, int number) {
    std::string text = prefix;
    text += std::to_string(number);
    return text;
}

// Short, long, all-digit and near-identical names, and the empty name.
std::vector<std::string> name_pool() {
    std::vector<std::string> names = {"", "x", "5", "007", "abs", "abs ", "speed", "speed2", "a_long_name_with_tail1",
                                      "a_long_name_with_tail2", std::string("nul\0byte", 8)};
    for (int i = 0; i < 600; ++i) names.push_back(numbered("n", i * 7919 % 1000));
    for (int i = 0; i < 50; ++i) names.push_back(std::string(static_cast<std::size_t>(i), 'q'));
    return names;
}

void expect_same(const NameTable& table, const std::map<std::string, ModelEntry>& model,
                 const std::vector<std::string>& names) {
    ASSERT_EQ(table.size(), model.size());
    for (const std::string& name : names) {
        const NameEntry* found = table.find(name);
        const auto it = model.find(name);
        ASSERT_EQ(found != nullptr, it != model.end()) << "name '" << name << "'";
        if (found == nullptr) continue;
        EXPECT_EQ(found->string_constant(), it->second.string_constant) << name;
        EXPECT_EQ(found->variable(), it->second.variable) << name;
        EXPECT_EQ(found->is_parameter(), it->second.parameter) << name;
    }
}

TEST(NameTable, AgreesWithAnOrderedMapThroughInsertsRunResetsAndRemovals) {
    const std::vector<std::string> names = name_pool();
    std::mt19937 random(7);
    NameTable table;
    std::map<std::string, ModelEntry> model;
    for (int step = 0; step < 20000; ++step) {
        const std::string& name = names[random() % names.size()];
        switch (random() % 8) {
            case 0:
            case 1: {
                const std::string value = random() % 4 == 0 ? "" : numbered("s", step);
                table.set_string_constant(name, value);
                model[name].string_constant = value;
                break;
            }
            case 2:
            case 3:
            case 4:
                table.declare_variable(name, numbered("v", step));
                model[name].variable = numbered("v", step);
                model[name].touched = true;
                break;
            case 5:
                table.add_parameter_name(name);
                model[name].parameter = true;
                model[name].touched = true;
                break;
            case 6:
                if (random() % 50 == 0) {
                    table.reset_run();
                    // Only names set for the run are looked at; an entry that an
                    // empty host value left behind stays.
                    for (auto it = model.begin(); it != model.end();) {
                        const bool touched = it->second.touched;
                        it->second = {it->second.string_constant, {}, false, false};
                        it = touched && it->second.holds_nothing() ? model.erase(it) : std::next(it);
                    }
                    expect_same(table, model, names);
                }
                break;
            default:
                EXPECT_EQ(table.find(name) != nullptr, model.count(name) == 1) << name;
                break;
        }
    }
    expect_same(table, model, names);
}

TEST(NameTable, EntriesStayInPlaceWhileTheTableGrows) {
    NameTable table;
    table.set_string_constant("first", "kept");
    const NameEntry* first = table.find("first");
    for (int i = 0; i < 20000; ++i) table.set_string_constant(numbered("name", i), "x");
    EXPECT_EQ(table.find("first"), first);
    EXPECT_EQ(table.find("first")->string_constant(), "kept");
    EXPECT_EQ(table.size(), 20001u);
}

TEST(NameTable, RunResetDropsOnlyWhatHoldsNothing) {
    NameTable table;
    const std::string value = numbered("v", 1);
    table.declare_variable("plain", value);
    table.declare_variable("keyword_too", value);
    table.bind_constant("keyword_too", "c");
    table.add_parameter_name("hosted");
    table.set_string_constant("hosted", value);
    table.reset_run();
    EXPECT_EQ(table.find("plain"), nullptr);
    ASSERT_NE(table.find("keyword_too"), nullptr);
    EXPECT_TRUE(table.find("keyword_too")->variable().empty());
    ASSERT_NE(table.find("hosted"), nullptr);
    EXPECT_FALSE(table.find("hosted")->is_parameter());
    EXPECT_EQ(table.parameter_name_count(), 0u);
    EXPECT_EQ(table.size(), 2u);
    // A name set again in the next run is listed for that run's reset again.
    table.declare_variable("plain", value);
    table.reset_run();
    EXPECT_EQ(table.find("plain"), nullptr);
}

// Script signatures outlive runs; only the first under a name is kept, and a
// failed run's own can be given back.
TEST(NameTable, ScriptSignaturesKeepTheFirstOfANameAndCanBeForgotten) {
    NameTable table;
    EXPECT_EQ(table.declare_script("f", 2), 0);
    EXPECT_EQ(table.declare_script("g", 0), 1);
    EXPECT_EQ(table.declare_script("f", 5), 0);
    EXPECT_EQ(table.script_signature_count(), 2u);
    EXPECT_EQ(table.script_signature(0).argument_count, 2);
    table.reset_run();
    EXPECT_EQ(table.find("g")->script(), 1);
    table.forget_script_signatures_from(1);
    EXPECT_EQ(table.script_signature_count(), 1u);
    EXPECT_EQ(table.find("g")->script(), -1);
    EXPECT_EQ(table.find("f")->script(), 0);
    EXPECT_EQ(table.declare_script("g", 3), 1);
    EXPECT_EQ(table.script_signature(1).argument_count, 3);
}

// A value the host gives replaces the built-in text, and an empty one
// undefines the name, built-in or not.
TEST(NameTable, GlobalConstantsWinOverBuiltInsAndEmptyUndefines) {
    NameTable table;
    table.bind_constant("red", "255");
    EXPECT_EQ(table.find("red")->constant(), "255");
    table.set_global_constant("red", "7");
    table.bind_constant("red", "255");  // the next run binds the built-in again
    EXPECT_EQ(table.find("red")->constant(), "7");
    table.set_global_constant("red", "");
    EXPECT_EQ(table.find("red")->constant(), "");
}

}  // namespace
}  // namespace kelvo
