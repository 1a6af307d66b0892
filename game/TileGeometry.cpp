#include "game/TileGeometry.h"

#include <cmath>

namespace mokuri {

namespace {
float Int(double v) { return float(std::floor(v)); }
}

TwipRect ImageRect(float W, float H)
{
    TwipRect r;
    r.top = Int(3.0 * H / 12.0);
    r.left = Int(W / 4.0);
    r.width = Int(W / 2.0);
    r.height = Int(H / 2.0);
    return r;
}

int16_t TileSizeFor(float W, int lastSlot) { return int16_t(std::floor(double(W) / (lastSlot + 2))); }

TwipRect ModelRowRect(float W, float H, int wordLength, int16_t tileSize)
{
    TwipRect r;
    r.width = float(wordLength) * tileSize;
    r.height = tileSize;
    r.top = Int((H / 4.0 - tileSize) / 2.0);
    r.left = Int((double(W) - r.width) / 2.0);
    return r;
}

int TileFontSize(int16_t tileSize) { return int(std::floor(tileSize / 20.5)); }

float TileLeft(int slot, int16_t tileSize, int lastSlot)
{
    return float(double(slot) * tileSize * (lastSlot + 3) / (lastSlot + 2) + double(tileSize) / (lastSlot + 2));
}

float TileTop(float H, float modelRowTop) { return Int(3.0 * H / 4.0) + modelRowTop; }

int WrongMarkFontSize(int16_t tileSize) { return int(std::floor(tileSize / 19.0)); }

MarkGeometry CorrectMarkGeometry(float W, float H)
{
    return {int(std::floor(W / 50.0)), Int(double(H) * 23 / 100), Int(double(W) * 3 / 10), Int(W / 2.0), Int(H / 2.0)};
}

} // namespace mokuri
