// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "util/PathParts.h"

namespace vko {
namespace {

TEST(PathParts, SplitAtTheLastSeparator) {
    const struct {
        std::string path, pathPart, filePart;
    } cases[] = {
        {"/home/ann/Docs/a.txt", "/home/ann/Docs/", "a.txt"},
        {"a.txt", "", "a.txt"},
        {"/home/ann/Docs/", "/home/ann/Docs/", ""},
        {"/", "/", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetPathPart(c.path), c.pathPart) << c.path;
        EXPECT_EQ(GetFilePart(c.path), c.filePart) << c.path;
    }
    EXPECT_EQ(AddBackslash("/home/ann"), "/home/ann/");
    EXPECT_EQ(AddBackslash("/home/ann/"), "/home/ann/");
    EXPECT_EQ(AddBackslash("/"), "/");
}

}  // namespace
}  // namespace vko
