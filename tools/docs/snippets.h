#pragma once
// Code in the documentation comes from files that compile. A Markdown file
// marks a code block as a copy of a region of a source file:
//
//   <!-- snippet: examples/first_world.cpp first-world -->
//   ```cpp
//   ...
//   ```
//
// and the source file marks the region with comment lines holding
// "[first-world]" and "[/first-world]". The block holds the lines between
// the markers, less their common indentation.

#include <string>
#include <vector>

namespace doc_snippets {

// The region's lines, less their common indentation; throws
// std::runtime_error when the region is missing or not closed.
std::vector<std::string> Region(const std::vector<std::string>& source, const std::string& name);

struct Mismatch {
    std::string where;   // "docs/guide.md:42"
    std::string snippet; // "examples/first_world.cpp first-world"
};

// Brings every marked block of `doc` (lines) up to date with its region,
// reading sources with `read(path)`; returns the blocks that differed.
// Throws std::runtime_error for a marker without a block after it.
std::vector<Mismatch> Update(std::vector<std::string>& doc, const std::string& docName,
                             std::vector<std::string> (*read)(const std::string& path));

} // namespace doc_snippets
