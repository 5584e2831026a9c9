// The documentation's code blocks are kept equal to regions of the examples.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/docs/snippets.h"

using doc_snippets::Region;
using doc_snippets::Update;
using Lines = std::vector<std::string>;

namespace {

std::map<std::string, Lines> files;
Lines Read(const std::string& path) {
    const auto found = files.find(path);
    if (found == files.end()) throw std::runtime_error("cannot read " + path);
    return found->second;
}

const Lines kSource = {
    "int main() {",
    "    // [hello]",
    "    int x = 1;",
    "",
    "    if (x) {",
    "        return x;",
    "    }",
    "    // [/hello]",
    "    // [hello-again]",
    "}",
};

TEST(Snippets, ARegionLosesOnlyItsCommonIndentation) {
    EXPECT_EQ(Region(kSource, "hello"),
              (Lines{"int x = 1;", "", "if (x) {", "    return x;", "}"}));
}

TEST(Snippets, AMissingOrOpenRegionIsAnError) {
    EXPECT_THROW(Region(kSource, "goodbye"), std::runtime_error);
    EXPECT_THROW(Region(kSource, "hello-again"), std::runtime_error);
    // "[hell]" is no prefix match of "[hello]".
    EXPECT_THROW(Region(kSource, "hell"), std::runtime_error);
}

TEST(Snippets, AStaleBlockIsReportedAndRewrittenAndTheRestKept) {
    files["main.cpp"] = kSource;
    Lines doc = {"# Title",
                 "<!-- snippet: main.cpp hello -->",
                 "```cpp",
                 "int x = 2;",
                 "```",
                 "Text after.",
                 "<!-- snippet: main.cpp hello -->",
                 "```cpp",
                 "int x = 1;",
                 "",
                 "if (x) {",
                 "    return x;",
                 "}",
                 "```"};
    const auto stale = Update(doc, "guide.md", &Read);
    ASSERT_EQ(stale.size(), 1u);
    EXPECT_EQ(stale[0].where, "guide.md:2");
    EXPECT_EQ(stale[0].snippet, "main.cpp hello");
    EXPECT_EQ(doc.size(), 18u);
    EXPECT_EQ(doc[3], "int x = 1;");
    EXPECT_EQ(doc[8], "```");
    EXPECT_EQ(doc[9], "Text after.");
    EXPECT_TRUE(Update(doc, "guide.md", &Read).empty()) << "up to date after the rewrite";
}

TEST(Snippets, OnlyAWholeMarkerLineCounts) {
    files["main.cpp"] = kSource;
    Lines doc = {"Text <!-- snippet: main.cpp hello -->", "```cpp", "old", "```",
                 "<!-- snippet: main.cpp hello extra -->", "```cpp", "old", "```",
                 "<!-- snippet: main.cpp hello -->  "};
    // The last marker is whole (trailing blanks allowed) but has no block.
    EXPECT_THROW(Update(doc, "a.md", &Read), std::runtime_error);
    doc.pop_back();
    EXPECT_TRUE(Update(doc, "a.md", &Read).empty());
}

TEST(Snippets, AMarkerWithoutItsBlockOrFileIsAnError) {
    files["main.cpp"] = kSource;
    Lines noBlock = {"<!-- snippet: main.cpp hello -->", "Text."};
    EXPECT_THROW(Update(noBlock, "a.md", &Read), std::runtime_error);
    Lines unclosed = {"<!-- snippet: main.cpp hello -->", "```cpp", "int x = 1;"};
    EXPECT_THROW(Update(unclosed, "a.md", &Read), std::runtime_error);
    Lines noFile = {"<!-- snippet: other.cpp hello -->", "```cpp", "```"};
    EXPECT_THROW(Update(noFile, "a.md", &Read), std::runtime_error);
}

} // namespace
