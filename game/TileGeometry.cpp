// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/TileGeometry.h"

#include <cmath>

namespace mokuri {

namespace {
float intPart(double v) { return float(std::floor(v)); }
}

TwipRect imageRect(float W, float H)
{
    TwipRect r;
    r.top = intPart(3.0 * H / 12.0);
    r.left = intPart(W / 4.0);
    r.width = intPart(W / 2.0);
    r.height = intPart(H / 2.0);
    return r;
}

int16_t tileSizeFor(float W, int lastSlot) { return int16_t(std::floor(double(W) / (lastSlot + 2))); }

TwipRect modelRowRect(float W, float H, int wordLength, int16_t tileSize)
{
    TwipRect r;
    r.width = float(wordLength) * tileSize;
    r.height = tileSize;
    r.top = intPart((H / 4.0 - tileSize) / 2.0);
    r.left = intPart((double(W) - r.width) / 2.0);
    return r;
}

int tileFontSize(int16_t tileSize) { return int(std::floor(tileSize / 20.5)); }

float tileLeft(int slot, int16_t tileSize, int lastSlot)
{
    return float(double(slot) * tileSize * (lastSlot + 3) / (lastSlot + 2) + double(tileSize) / (lastSlot + 2));
}

float tileTop(float H, float modelRowTop) { return intPart(3.0 * H / 4.0) + modelRowTop; }

float placedTileLeft(int position, int16_t tileSize, float modelRowLeft)
{
    return float(position) * float(tileSize) + modelRowLeft;
}

TwipRect wrongMarkRect(float H, float modelRowTop, float tileLeftNow, int16_t tileSize)
{
    return {tileLeftNow, H * 3 / 4 + modelRowTop, float(tileSize), float(tileSize)};
}

int wrongMarkFontSize(int16_t tileSize) { return int(std::floor(tileSize / 19.0)); }

MarkGeometry rightMarkGeometry(float W, float H)
{
    return {int(std::floor(W / 50.0)), intPart(double(H) * 23 / 100), intPart(double(W) * 3 / 10), intPart(W / 2.0), intPart(H / 2.0)};
}

} // namespace mokuri
