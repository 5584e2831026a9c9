#pragma once
// The game's picture files and the painters that make them.

#include <string>

namespace media {

// Paints every picture of the game and writes it as PNG into the folder,
// which is created if missing. Returns the number of files written; throws
// when one cannot be written.
int WriteGamePictures(const std::string& folder);

} // namespace media
