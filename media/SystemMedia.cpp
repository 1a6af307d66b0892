// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/SystemMedia.h"
#include "support/Logging.h"

#include "media/AudioMixer.h"
#include "media/EspeakSpeechVoice.h"
#include "media/OpenJTalkSpeechVoice.h"
#include "media/SdlSoundPlayer.h"
#include "support/Trace.h"

#include <QDir>
#include <QFileInfo>


namespace mokuri {

std::unique_ptr<SoundPlayer> createSystemSoundPlayer(Trace& trace)
{
    return std::make_unique<SdlSoundPlayer>(trace, AudioMixer::shared());
}

namespace {

SpeechVoice* createVoice(Trace* trace, QObject* parent)
{
    const OpenJTalkChoice choice = chooseOpenJTalk(OpenJTalkSearch::standard(QDir::currentPath()));
    if (choice.setup) {
        if (trace)
            trace->event("voice", {QStringLiteral("open_jtalk"), QFileInfo(choice.setup->voice).fileName(),
                                   QFileInfo(choice.setup->praiseVoice).fileName()});
        return new OpenJTalkSpeechVoice(*choice.setup, AudioMixer::shared(), trace,
                                        OpenJTalkSpeechVoice::kDefaultCacheTexts, parent);
    }
    // Said once per process: a test or tool may make several voices.
    static std::atomic<bool> said{false};
    if (!choice.asked && !said.exchange(true))
        qCInfo(logMedia, "speaking with espeak-ng: %s", choice.why.toLocal8Bit().constData());
    if (trace)
        trace->event("voice", {QStringLiteral("espeak-ng"), choice.why});
    return new EspeakSpeechVoice(AudioMixer::shared(), parent);
}

} // namespace

SpeechVoice* createSystemSpeechVoice(Trace& trace, QObject* parent)
{
    return createVoice(&trace, parent);
}

SpeechVoice* createSystemSpeechVoice(QObject* parent)
{
    return createVoice(nullptr, parent);
}

} // namespace mokuri
