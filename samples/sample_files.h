#pragma once
// The files the "bodies" scene loads, made by tools/samples/make_sample_files
// and committed in samples/media/: their names, and the tables the body file
// holds, which the tool builds and the scene checks after loading.

#include <string>

namespace samples {

inline constexpr const char* kCrateFile = "crate.tnb";
inline constexpr const char* kRampFile = "ramp.tnz";

// The crate: a centre mass and four corners, every pair tied, one picture
// pinned to the centre and turned by the top edge.
inline constexpr int kCrateMasses = 5;
inline constexpr int kCrateConstraints = kCrateMasses * (kCrateMasses - 1) / 2;
inline constexpr int kCrateImages = 1;
inline constexpr int kCrateRigs = 1;
inline constexpr float kCrateHalfSize = 24;  // world units from centre to side
inline constexpr int kCratePictureSize = 48; // pixels

// Where the samples find their files: media/ beside the program unless set.
std::string SampleFile(const std::string& name);
void SetSampleFolder(const std::string& folder);

} // namespace samples
