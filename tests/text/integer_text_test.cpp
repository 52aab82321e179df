#include "text/integer_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

namespace keeper {
namespace {

using namespace std::string_view_literals;

constexpr std::int32_t Min = -2147483647 - 1;
constexpr std::int32_t Max = 2147483647;
constexpr std::int32_t Default = 10000;

struct IntegerCase {
    std::string_view text;
    std::optional<std::int32_t> value;  // empty: invalid
    std::string_view canonical = {};    // IntegerText of the value, when it differs from text
};

TEST(IntegerTextTest, ParsesAndWritesSigned32BitValues) {
    const IntegerCase cases[] = {
        // Decimal
        {"10000", 10000},
        {"  25", 25, "25"},
        {"+25", 25, "25"},
        {"-25", -25},
        {"  -7", -7, "-7"},
        {"5", 5},
        {"007", 7, "7"},
        {"08", 8, "8"},
        {"0", 0},
        {"-0", 0, "0"},
        {"214748364", 214748364},
        {"2147483647", Max},
        {"00000000002147483647", Max, "2147483647"},
        {"-2147483648", Min},
        {"2147483648", {}},
        {"2147483650", {}},
        {"-2147483649", {}},
        {"4294967295", {}},
        {"4294967296", {}},
        // Hexadecimal: a 32-bit pattern, negated with wrap-around
        {"$1F", 31, "31"},
        {"x1F", 31, "31"},
        {"X1f", 31, "31"},
        {"0x1f", 31, "31"},
        {"0X1F", 31, "31"},
        {"-$10", -16, "-16"},
        {"-x10", -16, "-16"},
        {"$7FFFFFFF", Max, "2147483647"},
        {"$80000000", Min, "-2147483648"},
        {"-0x80000000", Min, "-2147483648"},
        {"$FFFFFFFF", -1, "-1"},
        {"-$FFFFFFFF", 1, "1"},
        {"$0000000FF", 255, "255"},
        {"$100000000", {}},
        {"$FFFFFFFFF", {}},
        // Malformed
        {"", {}},
        {"   ", {}},
        {"-", {}},
        {"+", {}},
        {"$", {}},
        {"x", {}},
        {"0x", {}},
        {"-0x", {}},
        {"25 ", {}},
        {"\t25", {}},
        {"- 25", {}},
        {"+-25", {}},
        {"$-10", {}},
        {"1e3", {}},
        {"1.5", {}},
        {"0x1G", {}},
        {"1x2", {}},
        {"2\0"sv, {}},
    };
    for (const IntegerCase& c : cases) {
        EXPECT_EQ(ParseInteger(c.text), c.value) << '"' << c.text << '"';
        EXPECT_EQ(ParseIntegerOr(c.text, Default), c.value.value_or(Default))
            << '"' << c.text << '"';
        if (c.value) {
            EXPECT_EQ(IntegerText(*c.value), c.canonical.empty() ? c.text : c.canonical)
                << '"' << c.text << '"';
        }
    }
}

}  // namespace
}  // namespace keeper
