// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the picture, the model-word row and the tiles stand, in twips, for a screen of
// W x H twips. Bands: model word in the top quarter, picture in the middle half, tiles
// in the bottom quarter.
#include <cstdint>

namespace mokuri {

struct TwipRect {
    float left = 0, top = 0, width = 0, height = 0;
};

TwipRect imageRect(float W, float H);
int16_t tileSizeFor(float W, int lastSlot);
// Width, height, top and left of the model-word row before it sizes itself to its caption.
TwipRect modelRowRect(float W, float H, int wordLength, int16_t tileSize);
int tileFontSize(int16_t tileSize);
float tileLeft(int slot, int16_t tileSize, int lastSlot);
float tileTop(float H, float modelRowTop);
// Where a tile goes when it is placed at `position` of the answer row (the model row).
float placedTileLeft(int position, int16_t tileSize, float modelRowLeft);
// The wrong mark "×" covers the wrong tile, a little above it, a little larger than the tile font.
TwipRect wrongMarkRect(float H, float modelRowTop, float tileLeftNow, int16_t tileSize);
int wrongMarkFontSize(int16_t tileSize);

// Where the right mark, the big "○", goes, from the window's outer size.
struct MarkGeometry {
    int fontSize;
    float top, left, width, height;
};
MarkGeometry rightMarkGeometry(float W, float H);

} // namespace mokuri
