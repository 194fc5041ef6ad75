// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "crypto/CoreDumps.h"
#include "crypto/SecretText.h"

namespace vko::crypto {
namespace {

TEST(SecretTextTest, HoldsTextThroughGrowthAndMoves) {
    SecretText text;
    EXPECT_TRUE(text.empty());
    std::string expected;
    for (int i = 0; i < 300; ++i) {  // several moves to larger guarded blocks
        const char c = static_cast<char>('a' + i % 26);
        text.push_back(c);
        expected += c;
    }
    EXPECT_EQ(text.View(), expected);
    SecretText moved(std::move(text));
    EXPECT_EQ(moved.View(), expected);
    EXPECT_TRUE(text.empty());  // NOLINT(bugprone-use-after-move): the source is left empty
    moved = std::string_view("short");
    EXPECT_EQ(moved.View(), "short");
}

// Replacing the text wipes the old bytes in place, beyond the new text's end too.
TEST(SecretTextTest, ReplacingWipesTheOldBytes) {
    SecretText text(std::string_view("correct horse battery staple"));
    const char* block = text.data();
    text = std::string_view("x");
    ASSERT_EQ(text.data(), block);  // same guarded block: the old bytes can be read
    EXPECT_EQ(text.View(), "x");
    for (size_t i = 1; i < 28; ++i) EXPECT_EQ(block[i], '\0') << "byte " << i;
    text.clear();
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(text.data(), nullptr);
}

TEST(SecretTextTest, CoreDumpsCanBeSwitchedOffForTheProcess) {
    // In a child, so that the test program itself keeps its limits.
    EXPECT_EXIT(
        {
            DisableCoreDumps();
            std::exit(CoreDumpsDisabled() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vko::crypto
