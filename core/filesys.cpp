#include "core/filesys.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "core/error.h"

namespace core {

namespace {

enum Kind { KIND_NONE = 0, KIND_FILE = 1, KIND_DIR = 2 };

std::string WorkingDirectory() {
    std::vector<char> buf(256);
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) throw RuntimeError("Unable to determine the working directory");
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

// lstat: a link is a thing of its own here, whatever it points at.
bool EntryExists(const std::string& path, struct stat& info) {
    return lstat(path.c_str(), &info) == 0;
}

} // namespace

std::string ForwardSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string FullPath(const std::string& path) {
    std::string rooted = ForwardSlashes(path);
    if (rooted.empty() || rooted.front() != '/') rooted = WorkingDirectory() + "/" + rooted;

    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= rooted.size()) {
        std::size_t end = rooted.find('/', start);
        if (end == std::string::npos) end = rooted.size();
        std::string part = rooted.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }

    if (parts.empty()) return "/";
    std::string full;
    for (const std::string& part : parts) full += "/" + part;
    return full;
}

std::string PathWithoutExt(const std::string& path) {
    std::string slashed = ForwardSlashes(path);
    std::size_t dot = slashed.rfind('.');
    if (dot == std::string::npos || slashed.find('/', dot) != std::string::npos) return slashed;
    return slashed.substr(0, dot);
}

int PathKind(const std::string& path) {
    struct stat info;
    if (stat(ForwardSlashes(path).c_str(), &info) != 0) return KIND_NONE;
    return S_ISDIR(info.st_mode) ? KIND_DIR : KIND_FILE;
}

int RemoveFile(const std::string& path) {
    // Removing a file depends on its directory, not on the file's own mode,
    // so the mode is left alone: changing it would leave a world-writable file
    // behind whenever the removal itself fails.
    std::string target = ForwardSlashes(path);
    struct stat info;
    if (!EntryExists(target, info)) return 1;
    if (S_ISDIR(info.st_mode)) return 0;
    unlink(target.c_str());
    return EntryExists(target, info) ? 0 : 1;
}

int CreateEmptyFile(const std::string& path) {
    std::string target = ForwardSlashes(path);
    struct stat info;
    if (EntryExists(target, info) && S_ISDIR(info.st_mode)) return 0;
    RemoveFile(target);
    if (std::FILE* file = std::fopen(target.c_str(), "wb")) std::fclose(file);
    return stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? 1 : 0;
}

} // namespace core
