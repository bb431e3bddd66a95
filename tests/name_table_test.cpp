// The name table against a plain ordered map that does what it must do.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/state.h"

namespace kelvo {
namespace {

struct ModelEntry {
    std::string string_constant;
    std::string variable;
    bool parameter = false;
    bool touched = false;  // set through entry_for_run since the last reset
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
        EXPECT_EQ(found->string_constant, it->second.string_constant) << name;
        EXPECT_EQ(found->variable, it->second.variable) << name;
        EXPECT_EQ(found->parameter, it->second.parameter) << name;
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
                table.entry(name).string_constant = value;
                model[name].string_constant = value;
                break;
            }
            case 2:
            case 3:
            case 4:
                table.entry_for_run(name).variable = numbered("v", step);
                model[name].variable = numbered("v", step);
                model[name].touched = true;
                break;
            case 5:
                table.entry_for_run(name).parameter = true;
                model[name].parameter = true;
                model[name].touched = true;
                break;
            case 6:
                if (random() % 50 == 0) {
                    table.reset_run_columns();
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
    const NameTable copy = table;
    expect_same(copy, model, names);
}

TEST(NameTable, EntriesStayInPlaceWhileTheTableGrows) {
    NameTable table;
    NameEntry* first = &table.entry("first");
    first->string_constant = "kept";
    for (int i = 0; i < 20000; ++i) table.entry(numbered("name", i));
    EXPECT_EQ(&table.entry("first"), first);
    EXPECT_EQ(table.find("first")->string_constant, "kept");
    EXPECT_EQ(table.size(), 20001u);
}

TEST(NameTable, RunResetDropsOnlyWhatHoldsNothing) {
    NameTable table;
    const std::string value = numbered("v", 1);
    table.entry_for_run("plain").variable = value;
    table.entry_for_run("keyword_too").variable = value;
    table.entry("keyword_too").builtin_constant = "c";
    table.entry_for_run("hosted").parameter = true;
    table.entry("hosted").string_constant = value;
    table.reset_run_columns();
    EXPECT_EQ(table.find("plain"), nullptr);
    ASSERT_NE(table.find("keyword_too"), nullptr);
    EXPECT_TRUE(table.find("keyword_too")->variable.empty());
    ASSERT_NE(table.find("hosted"), nullptr);
    EXPECT_FALSE(table.find("hosted")->parameter);
    EXPECT_EQ(table.size(), 2u);
    // A name set again in the next run is listed for that run's reset again.
    table.entry_for_run("plain").variable = value;
    table.reset_run_columns();
    EXPECT_EQ(table.find("plain"), nullptr);
}

}  // namespace
}  // namespace kelvo
