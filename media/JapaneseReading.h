// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Japanese text -> katakana pronunciation, for the speech synthesizer.
#include <QString>

namespace mokuri {

struct JapaneseReading {
    QString katakana; // the pronunciation; "、" and "。" kept as pauses
    QString error;    // empty on success
    bool ok() const { return error.isEmpty(); }
};

// Turns a Japanese text into its katakana pronunciation with MeCab (ipadic-utf8):
// per word the pronunciation field where there is one, else the reading, else the text
// itself (hiragana turned into katakana). 並べましょう -> ナラベマショウ.
// A text of one letter is read as that letter, without MeCab: a kana as its katakana
// (small kana as the full-size one, so ゃ -> ヤ; は -> ハ, not the particle ワ),
// a digit ０..９ by its name (０ -> ゼロ), ゛/゜/ー by theirs (ダクテン, ハンダクテン, ノバシボウ).
// Fails with an error (never crashes) when MeCab or its dictionary cannot be loaded.
// Thread-safe (one MeCab tagger behind a mutex). Dictionary: $MOKURI_MECAB_DICDIR when set (only
// that folder), else the usual ipadic-utf8 folders, else MeCab's default if it is UTF-8.
JapaneseReading japanesePronunciation(const QString& text);

// Hiragana (U+3041..U+3096) -> katakana (kKatakanaOffset higher); everything else unchanged.
QString hiraganaToKatakana(const QString& text);

} // namespace mokuri
