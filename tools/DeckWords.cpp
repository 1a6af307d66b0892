// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/DeckWords.h"

namespace mokuri::deck {

namespace {

struct Entry {
    const char16_t* word;
    const char16_t* emoji;
};

// Words from a small child's picture books: hiragana for native words, katakana for
// loanwords, so both scripts come up. Some words are there for their letters: voiced
// (ぶどう), small (でんしゃ, ちょうちょ), long vowel mark (ケーキ), repeated (トマト, バナナ),
// ヴ (ヴァイオリン). The game cuts a word after ten letters, so none is longer.
constexpr Entry kEntries[] = {
    {u"りんご", u"\U0001F34E"},       {u"いぬ", u"\U0001F436"},
    {u"ねこ", u"\U0001F431"},         {u"さかな", u"\U0001F41F"},
    {u"くるま", u"\U0001F697"},       {u"ぶどう", u"\U0001F347"},
    {u"でんしゃ", u"\U0001F683"},     {u"いちご", u"\U0001F353"},
    {u"うさぎ", u"\U0001F430"},       {u"ぞう", u"\U0001F418"},
    {u"くま", u"\U0001F43B"},         {u"さる", u"\U0001F435"},
    {u"かめ", u"\U0001F422"},         {u"かえる", u"\U0001F438"},
    {u"ぶた", u"\U0001F437"},         {u"うし", u"\U0001F42E"},
    {u"ひよこ", u"\U0001F424"},       {u"たまご", u"\U0001F95A"},
    {u"みかん", u"\U0001F34A"},       {u"すいか", u"\U0001F349"},
    {u"くつ", u"\U0001F45F"},         {u"ぼうし", u"\U0001F452"},
    {u"ほし", u"\u2B50"},             {u"つき", u"\U0001F319"},
    {u"はな", u"\U0001F337"},         {u"ひこうき", u"\u2708\uFE0F"},
    {u"ふね", u"\U0001F6A2"},         {u"じてんしゃ", u"\U0001F6B2"},
    {u"かさ", u"\u2602\uFE0F"},       {u"とけい", u"\u23F0"},
    {u"にんじん", u"\U0001F955"},     {u"きのこ", u"\U0001F344"},
    {u"おにぎり", u"\U0001F359"},     {u"ゆきだるま", u"\u26C4"},
    {u"にじ", u"\U0001F308"},         {u"かぎ", u"\U0001F511"},
    {u"きりん", u"\U0001F992"},       {u"ちょうちょ", u"\U0001F98B"},
    {u"きゅうきゅうしゃ", u"\U0001F691"}, {u"たいよう", u"\u2600\uFE0F"},
    {u"ふうせん", u"\U0001F388"},     {u"はさみ", u"\u2702\uFE0F"},
    {u"バナナ", u"\U0001F34C"},       {u"トマト", u"\U0001F345"},
    {u"ケーキ", u"\U0001F370"},       {u"パン", u"\U0001F35E"},
    {u"メロン", u"\U0001F348"},       {u"ペンギン", u"\U0001F427"},
    {u"ライオン", u"\U0001F981"},     {u"ロケット", u"\U0001F680"},
    {u"バス", u"\U0001F68C"},         {u"ピアノ", u"\U0001F3B9"},
    {u"ギター", u"\U0001F3B8"},       {u"テレビ", u"\U0001F4FA"},
    {u"アイス", u"\U0001F366"},       {u"ドーナツ", u"\U0001F369"},
    {u"パンダ", u"\U0001F43C"},       {u"コアラ", u"\U0001F428"},
    {u"ヘリコプター", u"\U0001F681"}, {u"ヴァイオリン", u"\U0001F3BB"},
    {u"ハンバーガー", u"\U0001F354"}, {u"プリン", u"\U0001F36E"},
    {u"タクシー", u"\U0001F695"},     {u"ボール", u"\u26BD"},
};

// Mostly JPEG, which keeps the folder small; GIF and BMP so that every kind the game reads
// is there from the first run.
const char* formatFor(int index)
{
    static const char* const kCycle[] = {"jpg", "gif", "jpg", "bmp"};
    return kCycle[index % 4];
}

} // namespace

const std::vector<DeckWord>& sampleWords()
{
    static const std::vector<DeckWord> words = [] {
        std::vector<DeckWord> w;
        int i = 0;
        for (const Entry& e : kEntries) {
            w.push_back({QString::fromUtf16(e.word), QString::fromUtf16(e.emoji),
                         QString::fromLatin1(formatFor(i))});
            ++i;
        }
        return w;
    }();
    return words;
}

} // namespace mokuri::deck
