#include "tools/docs/snippets.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace doc_snippets {

namespace {

constexpr std::string_view kMarkerStart = "<!-- snippet: ", kMarkerEnd = " -->";

// Reads "<!-- snippet: FILE REGION -->" (trailing blanks allowed).
bool ParseMarker(std::string line, std::string& file, std::string& region) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    if (line.rfind(kMarkerStart, 0) != 0 || line.size() < kMarkerStart.size() + kMarkerEnd.size() ||
        line.compare(line.size() - kMarkerEnd.size(), kMarkerEnd.size(), kMarkerEnd) != 0)
        return false;
    std::istringstream words(
        line.substr(kMarkerStart.size(), line.size() - kMarkerStart.size() - kMarkerEnd.size()));
    std::string rest;
    return words >> file >> region && !(words >> rest);
}

bool StartsFence(const std::string& line) { return line.rfind("```", 0) == 0; }

std::size_t Indent(const std::string& line) {
    const std::size_t n = line.find_first_not_of(' ');
    return n == std::string::npos ? line.size() : n;
}

bool MarksRegion(const std::string& line, const std::string& tag) {
    return line.find("[" + tag + "]") != std::string::npos;
}

} // namespace

std::vector<std::string> Region(const std::vector<std::string>& source, const std::string& name) {
    const auto begin = std::find_if(source.begin(), source.end(),
                                    [&](const std::string& l) { return MarksRegion(l, name); });
    if (begin == source.end()) throw std::runtime_error("no region [" + name + "]");
    const auto end = std::find_if(begin + 1, source.end(),
                                  [&](const std::string& l) { return MarksRegion(l, "/" + name); });
    if (end == source.end()) throw std::runtime_error("region [" + name + "] is not closed");
    std::vector<std::string> lines(begin + 1, end);
    std::size_t common = std::string::npos;
    for (const std::string& l : lines)
        if (l.find_first_not_of(' ') != std::string::npos) common = std::min(common, Indent(l));
    for (std::string& l : lines) l = l.size() > common ? l.substr(common) : std::string();
    return lines;
}

std::vector<Mismatch> Update(std::vector<std::string>& doc, const std::string& docName,
                             std::vector<std::string> (*read)(const std::string& path)) {
    std::vector<Mismatch> mismatches;
    for (std::size_t i = 0; i < doc.size(); ++i) {
        std::string file, region;
        if (!ParseMarker(doc[i], file, region)) continue;
        const std::string where = docName + ":" + std::to_string(i + 1);
        if (i + 1 >= doc.size() || !StartsFence(doc[i + 1]))
            throw std::runtime_error(where + ": the snippet marker has no code block after it");
        std::size_t close = i + 2;
        while (close < doc.size() && !StartsFence(doc[close])) ++close;
        if (close == doc.size()) throw std::runtime_error(where + ": the code block is not closed");
        std::vector<std::string> wanted;
        try {
            wanted = Region(read(file), region);
        } catch (const std::runtime_error& e) {
            throw std::runtime_error(where + ": " + file + ": " + e.what());
        }
        const std::vector<std::string> have(doc.begin() + static_cast<long>(i) + 2,
                                            doc.begin() + static_cast<long>(close));
        if (have != wanted) {
            mismatches.push_back({where, file + " " + region});
            doc.erase(doc.begin() + static_cast<long>(i) + 2,
                      doc.begin() + static_cast<long>(close));
            doc.insert(doc.begin() + static_cast<long>(i) + 2, wanted.begin(), wanted.end());
        }
        i += 1 + wanted.size();
    }
    return mismatches;
}

} // namespace doc_snippets
