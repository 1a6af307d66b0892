#pragma once

namespace mokuri {
// The screens name the Windows Japanese fonts; map them to installed ones so kana never
// show as boxes.
void installFontSubstitutes();
inline constexpr const char* kGothic = "ＭＳ ゴシック";
inline constexpr const char* kPGothic = "ＭＳ Ｐゴシック";
} // namespace mokuri
