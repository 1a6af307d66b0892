// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hiragana and katakana of the same sound lie this far apart in Unicode (あ U+3042, ア U+30A2):
// letter sounds, speech and the sample deck all go from one to the other by it.

namespace mokuri {

constexpr char16_t kKatakanaOffset = 0x60;

} // namespace mokuri
