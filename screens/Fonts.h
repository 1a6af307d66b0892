// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QFont;
class QString;

namespace mokuri {
// The screens name the Windows Japanese fonts; map them to installed ones so kana never
// show as boxes.
void installFontSubstitutes();
// Whether the font that draws `font` has a face of its own for bold; Qt does not thicken
// a font that has none (IPA Gothic, the usual stand-in, has none).
bool hasBoldFace(const QFont& font);
// Whether Japanese text in `font` is drawn with kana, not boxes (some font has them).
bool drawsKana(const QFont& font);
// When the screens' font cannot draw kana (a desktop without a Japanese font): says so on
// stderr and returns the same words for the adult on screen; empty when all is well.
// Needs the font substitutes installed first.
QString noKanaFontNotice();
inline constexpr const char* kGothic = "ＭＳ ゴシック";
inline constexpr const char* kPGothic = "ＭＳ Ｐゴシック";
} // namespace mokuri
