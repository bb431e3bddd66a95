// is_operator decides by length and bytes; held against the list of the ten
// operator words for every word of one and two bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "core/word_cursor.h"

namespace kelvo {
namespace {

bool in_operator_list(std::string_view word) {
    static constexpr std::array<std::string_view, 10> list = {"+=", "-=", "/=", "*=", "=", "+", "-", "/", "*", "%"};
    return std::find(list.begin(), list.end(), word) != list.end();
}

TEST(OperatorWords, EveryShortWordAgreesWithTheList) {
    int operators = 0;
    for (int a = 0; a < 256; ++a) {
        const std::string one(1, static_cast<char>(a));
        ASSERT_EQ(is_operator(one), in_operator_list(one)) << a;
        operators += is_operator(one) ? 1 : 0;
        for (int b = 0; b < 256; ++b) {
            const std::string two = one + static_cast<char>(b);
            ASSERT_EQ(is_operator(two), in_operator_list(two)) << a << ' ' << b;
            operators += is_operator(two) ? 1 : 0;
        }
    }
    EXPECT_EQ(operators, 10);
    EXPECT_FALSE(is_operator("+=="));
    EXPECT_FALSE(is_operator("%%%"));
}

}  // namespace
}  // namespace kelvo
