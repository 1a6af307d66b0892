// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-voices: a parent or teacher records the letters and effects of a sounds folder in
// their own voice.
#include "media/AudioMixer.h"
#include "media/SdlSoundPlayer.h"
#include "media/SdlVoiceInput.h"
#include "support/Logging.h"
#include "support/Trace.h"
#include "support/XdgFolders.h"
#include "tools/voices/RecorderWindow.h"
#include "tools/voices/VoiceRecorder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

const char kUsage[] =
    "Usage: mokuri-voices [--pictures PICTURES] [SOUNDS]\n"
    "\n"
    "Records the letter sounds and effects of the word game mokuri (モクリ) in your own\n"
    "voice. SOUNDS is the folder the game is started in (default: the sample deck of\n"
    "mokuri-play, ${XDG_DATA_HOME:-~/.local/share}/mokuri/sample); the letters the\n"
    "words of PICTURES (default: SOUNDS) use come first.\n"
    "\n"
    "  Space   record (it starts on your voice and stops after it) / stop\n"
    "  P       hear the take, or the sound kept before\n"
    "  Enter   keep the take and record the next sound\n"
    "  D       an effect back to mokuri-deck's own sound\n"
    "  Up/Down choose a sound; Esc drops a take, or ends the program\n"
    "\n"
    "A kept sound is trimmed, faded and as loud as the others, and mokuri-deck never\n"
    "replaces it. See mokuri-voices(1).\n";

} // namespace

int main(int argc, char** argv)
{
    mokuri::installProgramLog("mokuri-voices");
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption picturesOption(QStringLiteral("pictures"), {}, QStringLiteral("PICTURES")),
        helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}), versionOption(QStringLiteral("version"));
    parser.addOptions({picturesOption, helpOption, versionOption});
    if (!parser.parse(args)) {
        std::fprintf(stderr, "mokuri-voices: %s\n\n%s", qUtf8Printable(parser.errorText()), kUsage);
        return 2;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("mokuri-voices %s\n", mokuri::programVersion());
        return 0;
    }
    if (parser.positionalArguments().size() > 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    QString sounds = parser.positionalArguments().value(0), pictures = parser.value(picturesOption);
    if (sounds.isEmpty()) {
        const QString sample = mokuri::xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share")) +
                               QStringLiteral("/mokuri/sample");
        // The menu entry's folder: made now if the game has not run yet; mokuri-deck adds
        // only what is missing later, so nothing recorded here is replaced.
        QDir().mkpath(sample);
        sounds = sample;
    }
    if (!QFileInfo(sounds).isDir()) {
        qCWarning(mokuri::logTools, "%s is not a folder", qPrintable(sounds));
        return 1;
    }
    sounds = QFileInfo(sounds).absoluteFilePath();
    if (pictures.isEmpty()) pictures = sounds;
    pictures = QFileInfo(pictures).absoluteFilePath();
    // The sound player reads the kept files by bare name, as the game does.
    QDir::setCurrent(sounds);

    QApplication app(argc, argv);
    mokuri::Trace trace(mokuri::Trace::targetFromEnvironment());
    auto mixer = mokuri::AudioMixer::shared();
    mokuri::SdlSoundPlayer player(trace, mixer);
    mokuri::SdlVoiceInput microphone;
    static std::uint64_t lastTake = 0; // the mixer's token of the take played back last
    mokuri::voices::VoiceRecorder::Loudspeaker speaker{
        [mixer, &player](const std::vector<std::int16_t>& samples, int rate) {
            player.stop();
            SDL_AudioSpec spec{};
            spec.freq = rate;
            spec.format = AUDIO_S16SYS;
            spec.channels = 1;
            if (auto clip = mixer->convert(spec, reinterpret_cast<const std::uint8_t*>(samples.data()),
                                           samples.size() * sizeof(std::int16_t)))
                lastTake = mixer->playSound(std::move(clip));
        },
        [&player](const QString& file) { player.play(file); },
        [mixer, &player] {
            player.stop();
            mixer->stopSound(lastTake);
        },
    };
    mokuri::voices::VoiceRecorder recorder(sounds, pictures, microphone, speaker);
    mokuri::voices::RecorderWindow window(recorder);
    window.show();
    return app.exec();
}
