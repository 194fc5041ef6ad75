#include <gtest/gtest.h>

#include <string>

#include "engine/ConvLong.h"
#include "util/Failure.h"

namespace vko {
namespace {

using namespace ConvLong;

// The header's length fields: least significant byte first (selector 1) unless 0 asks for most
// first; a field beyond 2^31-1 or short of four bytes reads as 0, and a value that does not fit
// is a Failure rather than a wrapped field.
TEST(ConvLong, FieldsRoundTripAndOutOfRangeOnesAreRefused) {
    const struct {
        int32_t value, selector;
        std::string chars;
    } longs[] = {{258, 1, std::string("\2\1\0\0", 4)},
                 {258, 0, std::string("\0\0\1\2", 4)},
                 {2'147'483'647, 1, "\xFF\xFF\xFF\x7F"}};
    for (const auto& [value, selector, chars] : longs) {
        EXPECT_EQ(LongToChars(value, selector), chars) << value;
        EXPECT_EQ(CharsToLong(chars, selector), value) << value;
    }
    EXPECT_EQ(CharsToWord(WordToChars(65'535, 1), 1), 65'535);
    for (const std::string& chars : {std::string("\0\0\0\x80", 4), std::string("\1\0\0", 3)})
        EXPECT_EQ(CharsToLong(chars, 1), 0);
    EXPECT_THROW((void)LongToChars(-1), Failure);
    EXPECT_THROW((void)WordToChars(65'536), Failure);
    EXPECT_THROW((void)CharsToWord("\7"), Failure);
}

}  // namespace
}  // namespace vko
