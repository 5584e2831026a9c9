// doc_snippets check|update <root> <doc.md>...: checks (or rewrites) the
// code blocks of the documents that are marked as copies of regions of
// source files (see snippets.h). Paths are relative to <root>. check exits
// 1 naming every block that differs from its region.
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/docs/snippets.h"

namespace {

std::string root;

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(root + "/" + path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream out(root + "/" + path);
    for (const std::string& line : lines) out << line << "\n";
    if (!out) throw std::runtime_error("cannot write " + path);
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc < 4 || (mode != "check" && mode != "update")) {
        std::cerr << "usage: doc_snippets check|update <root> <doc.md>...\n";
        return 2;
    }
    root = argv[2];
    int stale = 0;
    try {
        for (int k = 3; k < argc; ++k) {
            std::vector<std::string> doc = ReadLines(argv[k]);
            const auto mismatches = doc_snippets::Update(doc, argv[k], &ReadLines);
            for (const auto& m : mismatches)
                std::cerr << m.where << ": the block differs from " << m.snippet << "\n";
            stale += static_cast<int>(mismatches.size());
            if (mode == "update" && !mismatches.empty()) WriteLines(argv[k], doc);
        }
    } catch (const std::exception& e) {
        std::cerr << "doc_snippets: " << e.what() << "\n";
        return 1;
    }
    if (mode == "check" && stale > 0) {
        std::cerr << stale << " code block(s) out of date: run doc_snippets update\n";
        return 1;
    }
    return 0;
}
