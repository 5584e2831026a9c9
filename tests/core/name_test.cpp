// Shared names: equal texts are kept once, a text goes when its last name
// lets go of it, and a name reads and compares like its text.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/name.h"

namespace {

using core::TName;

TEST(Name, EqualTextsAreKeptOnceAndGoWithTheirLastName) {
    const std::size_t before = TName::SharedTexts();
    {
        std::vector<TName> names(1000, TName("a name shared by a thousand"));
        TName other = std::string("a name shared by a thousand");
        EXPECT_EQ(TName::SharedTexts(), before + 1);
        EXPECT_EQ(&names.front().str(), &other.str()); // one text, not a copy each
        EXPECT_EQ(names.back(), other);
        // Renaming again and again leaves no text behind.
        for (int k = 0; k < 100; ++k) other = "renamed " + std::to_string(k);
        EXPECT_EQ(TName::SharedTexts(), before + 2);
        EXPECT_EQ(other, "renamed 99");
    }
    EXPECT_EQ(TName::SharedTexts(), before);
}

TEST(Name, ReadsAndComparesAsItsText) {
    const TName none;
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none, std::string());
    EXPECT_EQ(TName(""), none); // "" holds no text either

    TName mass("Mass");
    EXPECT_EQ(mass, "Mass");
    EXPECT_NE(mass, "Masses");
    EXPECT_EQ(std::string("Mass"), mass);
    EXPECT_EQ(mass.size(), 4u);
    EXPECT_STREQ(mass.c_str(), "Mass");
    const std::string& text = mass; // passes where a string is wanted
    EXPECT_EQ(text, "Mass");
    std::ostringstream out;
    out << mass;
    EXPECT_EQ(out.str(), "Mass");

    TName moved = std::move(mass);
    EXPECT_EQ(moved, "Mass");
    EXPECT_TRUE(mass.empty()); // NOLINT(bugprone-use-after-move): a moved name is empty
    const TName& same = moved;
    moved = same; // keeps its text
    EXPECT_EQ(moved, "Mass");
}

} // namespace
