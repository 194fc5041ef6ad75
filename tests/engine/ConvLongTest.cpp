#include <gtest/gtest.h>

#include <string>

#include "engine/ConvLong.h"
#include "util/Failure.h"

namespace {

using namespace vko::ConvLong;

constexpr int32_t kMostFirst = 0;
constexpr int32_t kLeastFirst = 1;

std::string B(std::initializer_list<int> bytes) {
    std::string s;
    for (const int b : bytes) s += static_cast<char>(b);
    return s;
}

struct LongCase {
    int32_t value;
    int32_t selector;
    std::string chars;
};

TEST(ConvLong, LongFieldsInBothOrders) {
    const LongCase cases[] = {
        {1, kLeastFirst, B({1, 0, 0, 0})},
        {1, kMostFirst, B({0, 0, 0, 1})},
        {1, 2, B({1, 0, 0, 0})},  // any selector but 0 means least significant first
        {0x01020304, kLeastFirst, B({4, 3, 2, 1})},
        {0x01020304, kMostFirst, B({1, 2, 3, 4})},
        {2'147'483'647, kLeastFirst, B({0xFF, 0xFF, 0xFF, 0x7F})},
        {2'147'483'647, kMostFirst, B({0x7F, 0xFF, 0xFF, 0xFF})},
        {0, kMostFirst, B({0, 0, 0, 0})}};
    for (const auto& [value, selector, chars] : cases) {
        EXPECT_EQ(LongToChars(value, selector), chars) << value << " order " << selector;
        EXPECT_EQ(CharsToLong(chars, selector), value) << value << " order " << selector;
    }
    EXPECT_EQ(LongToChars(1), B({1, 0, 0, 0}));
}

TEST(ConvLong, WordFieldsInBothOrders) {
    EXPECT_EQ(WordToChars(258, kLeastFirst), B({2, 1}));
    EXPECT_EQ(WordToChars(258, kMostFirst), B({1, 2}));
    EXPECT_EQ(WordToChars(65'535), B({0xFF, 0xFF}));
    EXPECT_EQ(CharsToWord(B({2, 1}), kLeastFirst), 258);
    EXPECT_EQ(CharsToWord(B({1, 2}), kMostFirst), 258);
    EXPECT_EQ(CharsToWord(B({0xFF, 0xFF, 9})), 65'535);
}

TEST(ConvLong, ShortOrOverRangeLongFieldsReadAsZero) {
    EXPECT_EQ(CharsToLong(B({0, 0, 0, 0x80}), kLeastFirst), 0);
    EXPECT_EQ(CharsToLong(B({0x80, 0, 0, 0}), kMostFirst), 0);
    EXPECT_EQ(CharsToLong(B({0xFF, 0xFF, 0xFF, 0xFF})), 0);
    EXPECT_EQ(CharsToLong(B({1, 0, 0})), 0);
    EXPECT_EQ(CharsToLong(""), 0);
    EXPECT_EQ(CharsToLong(B({5, 0, 0, 0, 0xFF})), 5);  // only the first four count
}

template <class Call>
int32_t FailureNumberOf(Call call) {
    try {
        call();
    } catch (const vko::Failure& failure) {
        return failure.Number();
    }
    return 0;
}

TEST(ConvLong, OutOfRangeValuesFail) {
    using vko::FailureNumber::kInvalidArgument;
    using vko::FailureNumber::kOverflow;
    EXPECT_EQ(FailureNumberOf([] { (void)LongToChars(-1); }), kOverflow);
    EXPECT_EQ(FailureNumberOf([] { (void)WordToChars(65'536); }), kOverflow);
    EXPECT_EQ(FailureNumberOf([] { (void)WordToChars(-1); }), kOverflow);
    EXPECT_EQ(FailureNumberOf([] { (void)CharsToWord(B({7})); }), kInvalidArgument);
    EXPECT_EQ(FailureNumberOf([] { (void)CharsToWord(""); }), kInvalidArgument);
}

}  // namespace
