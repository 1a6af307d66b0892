// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/TwipScale.h"

#include <QScreen>
#include <cmath>

namespace mokuri {

TwipScale TwipScale::of(const QScreen* screen)
{
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return TwipScale(dpi > 0 ? float(1440.0 / dpi) : 15.0f);
}

int TwipScale::toPixels(float twips) const { return int(std::lround(twips / twipsPerPixel_)); }

} // namespace mokuri
