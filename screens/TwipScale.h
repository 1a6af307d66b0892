// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The screens keep their geometry in twips (1/1440 inch), as the layouts were designed;
// pixels follow from the screen's logical DPI.
#include <QSize>

class QScreen;

namespace mokuri {

class TwipScale {
public:
    explicit TwipScale(float twipsPerPixel = 15.0f) : twipsPerPixel_(twipsPerPixel) {}
    // The scale of a screen (15 twips a pixel at 96 dpi); 15 without one.
    static TwipScale of(const QScreen* screen);

    float twipsPerPixel() const { return twipsPerPixel_; }
    int toPixels(float twips) const;
    float toTwips(int pixels) const { return float(pixels) * twipsPerPixel_; }

private:
    float twipsPerPixel_;
};

} // namespace mokuri
