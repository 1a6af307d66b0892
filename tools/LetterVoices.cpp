// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/LetterVoices.h"

#include "support/Kana.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace mokuri::deck {

namespace {

// Said in katakana: a lone は or へ in hiragana reads as the particle (わ, え).
VoiceLetter plain(char16_t hiragana)
{
    return {QString(QChar(hiragana)), QString(QChar(char16_t(hiragana + kKatakanaOffset)))};
}

// A child learns the small letters by this name: ちいさい つ.
VoiceLetter small(char16_t letter)
{
    const QChar big(char16_t(letter + 1));
    return {QString(QChar(letter)), QStringLiteral("ちいさい ") + QChar(char16_t(big.unicode() + kKatakanaOffset))};
}

} // namespace

const std::vector<VoiceLetter>& voiceLetters()
{
    static const std::vector<VoiceLetter> letters = [] {
        std::vector<VoiceLetter> v;
        const QString basic = QStringLiteral(
            "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん");
        const QString voiced =
            QStringLiteral("がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽ");
        for (QChar c : basic) v.push_back(plain(c.unicode()));
        for (QChar c : voiced) v.push_back(plain(c.unicode()));
        for (QChar c : QStringLiteral("ぁぃぅぇぉっゃゅょゎ")) v.push_back(small(c.unicode()));
        v.push_back({QStringLiteral("ゔ"), QStringLiteral("ヴ")});
        const char16_t* digitNames[] = {u"ぜろ", u"いち", u"に",  u"さん", u"よん",
                                        u"ご",   u"ろく", u"なな", u"はち", u"きゅう"};
        for (int d = 0; d < 10; ++d)
            v.push_back({QString(QChar(char16_t(0xFF10 + d))), QString::fromUtf16(digitNames[d])});
        // The game turns ー into the letter 96 code points below it, ゜; what a child hears
        // is the mark's everyday name.
        v.push_back({QString(QChar(char16_t(0x30FC - 96))), QStringLiteral("のばすぼう")});
        return v;
    }();
    return letters;
}

std::vector<int16_t> tidyVoice(const std::vector<int16_t>& samples, int sampleRate)
{
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(int(s)));
    if (peak == 0) return {};
    // Anything under 3 % of the peak before the first syllable is breath or engine padding.
    const int threshold = std::max(peak * 3 / 100, 64);
    auto loud = [&](int16_t s) { return std::abs(int(s)) >= threshold; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    const size_t lead = size_t(sampleRate) * 3 / 1000;  // keep the onset's own rise
    const size_t tail = size_t(sampleRate) * 60 / 1000; // and the fall of the last sound
    const size_t begin = size_t(first - samples.begin()) > lead ? size_t(first - samples.begin()) - lead : 0;
    const size_t end = std::min(samples.size(), size_t(last - samples.begin()) + tail);

    const double gain = 0.9 * 32767 / peak;
    std::vector<int16_t> out;
    out.reserve(end - begin);
    const size_t fade = size_t(sampleRate) * 5 / 1000;
    for (size_t i = begin; i < end; ++i) {
        double v = samples[i] * gain;
        const size_t fromEnd = end - 1 - i;
        if (fromEnd < fade) v *= double(fromEnd) / double(fade);
        out.push_back(int16_t(std::lround(std::clamp(v, -32767.0, 32767.0))));
    }
    return out;
}

double voicedLoudness(const std::vector<int16_t>& samples)
{
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(int(s)));
    const int threshold = peak * 3 / 100;
    double sum = 0;
    size_t n = 0;
    for (int16_t s : samples) {
        if (std::abs(int(s)) <= threshold) continue;
        sum += double(s) * double(s);
        ++n;
    }
    return n ? std::sqrt(sum / double(n)) : 0.0;
}

std::vector<int16_t> matchLoudness(const std::vector<int16_t>& samples, double loudness)
{
    const double now = voicedLoudness(samples);
    if (now <= 0) return samples;
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(int(s)));
    // A voice with sharp peaks gets quieter rather than clipped.
    const double gain = std::min(loudness / now, 0.95 * 32767 / peak);
    std::vector<int16_t> out;
    out.reserve(samples.size());
    for (int16_t s : samples)
        out.push_back(int16_t(std::lround(std::clamp(double(s) * gain, -32767.0, 32767.0))));
    return out;
}

} // namespace mokuri::deck
