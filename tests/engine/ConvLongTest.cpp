#include <gtest/gtest.h>

#include <string>

#include "engine/ConvLong.h"
#include "util/Failure.h"

namespace vko {
namespace {

using namespace ConvLong;

constexpr int32_t kMostFirst = 0;
constexpr int32_t kLeastFirst = 1;  // so is any selector but 0

std::string B(std::initializer_list<int> bytes) {
    std::string s;
    for (const int b : bytes) s += static_cast<char>(b);
    return s;
}

TEST(ConvLong, FieldsInBothOrders) {
    const struct {
        int32_t value, selector;
        std::string chars;
    } longs[] = {{1, kLeastFirst, B({1, 0, 0, 0})},
                 {1, kMostFirst, B({0, 0, 0, 1})},
                 {1, 2, B({1, 0, 0, 0})},
                 {258, kLeastFirst, B({2, 1, 0, 0})},
                 {258, kMostFirst, B({0, 0, 1, 2})},
                 {2'147'483'647, kLeastFirst, B({0xFF, 0xFF, 0xFF, 0x7F})},
                 {2'147'483'647, kMostFirst, B({0x7F, 0xFF, 0xFF, 0xFF})}};
    for (const auto& [value, selector, chars] : longs) {
        EXPECT_EQ(LongToChars(value, selector), chars) << value << " order " << selector;
        EXPECT_EQ(CharsToLong(chars, selector), value) << value << " order " << selector;
    }
    EXPECT_EQ(WordToChars(258, kLeastFirst), B({2, 1}));
    EXPECT_EQ(WordToChars(258, kMostFirst), B({1, 2}));
    EXPECT_EQ(CharsToWord(B({2, 1}), kLeastFirst), 258);
    EXPECT_EQ(CharsToWord(B({1, 2}), kMostFirst), 258);
    EXPECT_EQ(CharsToWord(B({0xFF, 0xFF, 9})), 65'535);
    EXPECT_EQ(CharsToLong(B({5, 0, 0, 0, 0xFF})), 5);  // only the first four count
}

TEST(ConvLong, OverRangeOrShortLongFieldsReadAsZero) {
    const std::pair<std::string, int32_t> cases[] = {{B({0, 0, 0, 0x80}), kLeastFirst},
                                                     {B({0x80, 0, 0, 0}), kMostFirst},
                                                     {B({0xFF, 0xFF, 0xFF, 0xFF}), kLeastFirst},
                                                     {B({1, 0, 0}), kLeastFirst},
                                                     {"", kLeastFirst}};
    for (const auto& [chars, selector] : cases)
        EXPECT_EQ(CharsToLong(chars, selector), 0) << chars.size();
}

TEST(ConvLong, ValuesOutsideTheFieldFail) {
    const auto failureOf = [](auto call) {
        try {
            call();
        } catch (const Failure& failure) {
            return failure.Number();
        }
        return 0;
    };
    EXPECT_EQ(failureOf([] { (void)LongToChars(-1); }), FailureNumber::kOverflow);
    EXPECT_EQ(failureOf([] { (void)WordToChars(65'536); }), FailureNumber::kOverflow);
    EXPECT_EQ(failureOf([] { (void)WordToChars(-1); }), FailureNumber::kOverflow);
    EXPECT_EQ(failureOf([] { (void)CharsToWord(B({7})); }), FailureNumber::kInvalidArgument);
}

}  // namespace
}  // namespace vko
