#include "samples/sample_files.h"

namespace samples {

namespace {

std::string& Folder() {
    static std::string folder = "media";
    return folder;
}

} // namespace

std::string SampleFile(const std::string& name) { return Folder() + "/" + name; }

void SetSampleFolder(const std::string& folder) { Folder() = folder; }

} // namespace samples
