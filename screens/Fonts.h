// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QFont;

namespace mokuri {
// The screens name the Windows Japanese fonts; map them to installed ones so kana never
// show as boxes.
void installFontSubstitutes();
// Whether the font that draws `font` has a face of its own for bold; Qt does not thicken
// a font that has none (IPA Gothic, the usual stand-in, has none).
bool hasBoldFace(const QFont& font);
inline constexpr const char* kGothic = "ＭＳ ゴシック";
inline constexpr const char* kPGothic = "ＭＳ Ｐゴシック";
} // namespace mokuri
