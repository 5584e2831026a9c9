#pragma once
// Hand-made letters drawn as pen strokes, for the few words the pictures
// need. Glyphs are bold and rounded: polylines traced with a round pen.

#include <string>

#include "tools/media/shapes.h"

namespace media {

struct TextStyle {
    float capHeight; // pixels from the top of a capital to the baseline
    float weight;    // pen radius as a fraction of capHeight
    float spacing;   // extra gap between letters, as a fraction of capHeight
};

// The strokes of a text whose baseline starts at (x, baseline). Throws for a
// character that has no glyph. Supported: "Qkuorvetangl." and space.
Strokes TextStrokes(const std::string& text, float x, float baseline, const TextStyle& style);

// Width in pixels the text's pen path covers (without the pen radius).
float TextWidth(const std::string& text, const TextStyle& style);

} // namespace media
