#pragma once
// Where the picture, the model-word row and the tiles stand, in twips, for a screen of
// W x H twips. Bands: model word in the top quarter, picture in the middle half, tiles
// in the bottom quarter.
#include <cstdint>

namespace mokuri {

struct TwipRect {
    float left = 0, top = 0, width = 0, height = 0;
};

TwipRect ImageRect(float W, float H);
int16_t TileSizeFor(float W, int lastSlot);
// Width, height, top and left of the model-word row before it sizes itself to its caption.
TwipRect ModelRowRect(float W, float H, int wordLength, int16_t tileSize);
int TileFontSize(int16_t tileSize);
float TileLeft(int slot, int16_t tileSize, int lastSlot);
float TileTop(float H, float modelRowTop);
// The "×" mark is drawn a little larger than the tile font.
int WrongMarkFontSize(int16_t tileSize);

// Where the big "○" goes, from the window's outer size.
struct MarkGeometry {
    int fontSize;
    float top, left, width, height;
};
MarkGeometry CorrectMarkGeometry(float W, float H);

} // namespace mokuri
