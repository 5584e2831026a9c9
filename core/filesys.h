#pragma once
// File-system functions of the file formats. Each takes "\" in a path as "/".

#include <string>

namespace core {

/// The path with every "\" turned into "/".
std::string ForwardSlashes(std::string path);

/// Absolute and normalised: a relative path is taken from the working
/// directory; empty and "." components go, ".." drops the component before it
/// (never the root). Throws a RuntimeError when the working directory cannot be
/// determined.
std::string FullPath(const std::string& path);
/// The path cut before its last "."; whole when it has no "." or a "/" follows.
std::string PathWithoutExt(const std::string& path);
/// 0 when nothing is there, 2 for a directory, 1 for anything else (a regular
/// file or a device). Links are followed.
int PathKind(const std::string& path);
/// Replaces whatever file is there by an empty one; 1 if a regular file now
/// exists. A directory is left alone (0).
int CreateEmptyFile(const std::string& path);
/// 1 if nothing is there afterwards. A directory is left alone (0).
int RemoveFile(const std::string& path);
/// Copies the content of from over to (created or emptied); 1 for a complete
/// copy. 0 when either cannot be opened, when both name the same file, or when
/// writing fails; to is not touched when from cannot be opened. A read failure
/// in the middle throws TStreamReadException.
int DuplicateFile(const std::string& from, const std::string& to);

} // namespace core
