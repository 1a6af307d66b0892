// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/SpeechSynthesis.h"

#include "media/JapaneseReading.h"

#include <espeak-ng/espeak_ng.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace mokuri {

namespace {

std::mutex g_espeakMutex;
bool g_espeakTried = false;
int g_espeakRate = 0;
QString g_espeakError;
const SpeechChunkHandler* g_currentHandler = nullptr; // valid while g_espeakMutex is held

int synthCallback(short* wav, int numSamples, espeak_EVENT*)
{
    if (!wav || numSamples <= 0 || !g_currentHandler)
        return 0;
    return (*g_currentHandler)(reinterpret_cast<const std::int16_t*>(wav), std::size_t(numSamples)) ? 0 : 1;
}

// Must hold g_espeakMutex. Returns the sample rate or 0 (error set).
int espeakReady(QString* error)
{
    if (!g_espeakTried) {
        g_espeakTried = true;
        // espeak-ng's own API, so that a failure gives our one line and no message of its own.
        espeak_ng_InitializePath(nullptr);
        espeak_ng_ERROR_CONTEXT context = nullptr;
        const espeak_ng_STATUS status = espeak_ng_Initialize(&context);
        espeak_ng_ClearErrorContext(&context);
        if (status != ENS_OK) {
            char message[256] = {};
            espeak_ng_GetStatusCodeMessage(status, message, sizeof message);
            g_espeakError = QStringLiteral("espeak-ng could not start (is espeak-ng-data installed?): ")
                            + QString::fromLocal8Bit(message);
        } else if (espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 10, nullptr) != ENS_OK) {
            // 10 ms pieces: the first sound reaches the speaker soon after espeak starts.
            g_espeakError = QStringLiteral("espeak-ng could not start its synchronous output");
        } else if (espeak_SetVoiceByName("ja") != EE_OK) {
            g_espeakError = QStringLiteral("espeak-ng has no Japanese voice \"ja\"");
        } else {
            espeak_SetSynthCallback(synthCallback);
            g_espeakRate = espeak_ng_GetSampleRate();
        }
    }
    if (g_espeakRate <= 0)
        *error = g_espeakError;
    return g_espeakRate;
}

} // namespace

QString prepareSpeechSynthesis()
{
    QString error;
    {
        std::lock_guard<std::mutex> lock(g_espeakMutex);
        espeakReady(&error);
    }
    if (!error.isEmpty())
        return error;
    return japanesePronunciation(QStringLiteral("並べる")).error;
}

QString synthesizeSpeechChunks(const QString& text, const SpeechChunkHandler& onChunk,
                               int* sampleRate, const SpeechOptions& options)
{
    const JapaneseReading reading = japanesePronunciation(text);
    if (!reading.ok())
        return reading.error;
    const QByteArray utf8 = reading.katakana.toUtf8();

    std::lock_guard<std::mutex> lock(g_espeakMutex);
    QString error;
    const int rate = espeakReady(&error);
    if (rate <= 0)
        return error;
    if (sampleRate)
        *sampleRate = rate;
    if (reading.katakana.trimmed().isEmpty())
        return {};
    espeak_SetParameter(espeakRATE, options.rateWordsPerMinute, 0);
    espeak_SetParameter(espeakPITCH, options.pitch, 0);
    g_currentHandler = &onChunk;
    const espeak_ERROR rc = espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER,
                                         0, espeakCHARS_UTF8, nullptr, nullptr);
    g_currentHandler = nullptr;
    if (rc != EE_OK)
        return QStringLiteral("espeak-ng failed to synthesize the text (error %1)").arg(int(rc));
    return {};
}

SpeechAudio synthesizeSpeech(const QString& text, const SpeechOptions& options)
{
    SpeechAudio audio;
    audio.pronunciation = japanesePronunciation(text).katakana;
    audio.error = synthesizeSpeechChunks(
        text,
        [&audio](const std::int16_t* s, std::size_t n) {
            audio.samples.insert(audio.samples.end(), s, s + n);
            return true;
        },
        &audio.sampleRate, options);
    if (!audio.ok()) {
        audio.samples.clear();
        return audio;
    }
    if (options.trimSilence && !audio.samples.empty()) {
        const int threshold = 300; // about 1 % of full scale
        std::size_t first = 0, last = audio.samples.size();
        while (first < last && std::abs(audio.samples[first]) < threshold)
            ++first;
        while (last > first && std::abs(audio.samples[last - 1]) < threshold)
            --last;
        if (first == last) {
            audio.samples.clear();
        } else {
            const std::size_t before = std::size_t(audio.sampleRate) / 100; // 10 ms
            const std::size_t after = std::size_t(audio.sampleRate) * 3 / 100; // 30 ms
            first = first > before ? first - before : 0;
            last = std::min(audio.samples.size(), last + after);
            audio.samples = std::vector<std::int16_t>(audio.samples.begin() + std::ptrdiff_t(first),
                                                      audio.samples.begin() + std::ptrdiff_t(last));
        }
    }
    return audio;
}

} // namespace mokuri
