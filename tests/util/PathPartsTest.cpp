#include "util/PathParts.h"

#include <gtest/gtest.h>

namespace vko {
namespace {

struct SplitCase {
    std::string path, pathPart, filePart;
};

TEST(PathParts, SplitAtTheLastSeparator) {
    const SplitCase cases[] = {
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
}

TEST(PathParts, AddBackslashAppendsExactlyOneSeparator) {
    EXPECT_EQ(AddBackslash("/home/ann"), "/home/ann/");
    EXPECT_EQ(AddBackslash("/home/ann/"), "/home/ann/");
    EXPECT_EQ(AddBackslash("/"), "/");
}

}  // namespace
}  // namespace vko
