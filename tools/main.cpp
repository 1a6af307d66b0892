// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-deck: makes a folder ready for モクリ, or adds the sounds a folder of one's own
// pictures needs.
#include "media/SpeechSynthesis.h"
#include "tools/Deck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <memory>

// The package's version, set by packaging/install.cmake.
#ifndef MOKURI_VERSION
#define MOKURI_VERSION "unknown"
#endif

namespace {

const char kUsage[] =
    "Usage: mokuri-deck DIR\n"
    "       mokuri-deck --sounds DIR\n"
    "\n"
    "Makes a folder ready for the word game mokuri (モクリ).\n"
    "\n"
    "  mokuri-deck DIR           sample pictures (the file name is the word) and\n"
    "                            everything of --sounds\n"
    "  mokuri-deck --sounds DIR  only what a folder of your own pictures needs: a spoken\n"
    "                            WAV for every letter, the effect sounds ガチャ.wav, ブー.wav\n"
    "                            and ピンポン.wav, the praise lines O.txt and the pointer\n"
    "                            Clear.ico\n"
    "  -h, --help                this text\n"
    "  --version                 the version\n"
    "\n"
    "Only missing files are created; an existing file is never changed. Every file\n"
    "created is listed. DIR is created if it does not exist.\n"
    "The game reads the sounds, O.txt and Clear.ico from the folder it is started in.\n"
    "See mokuri-deck(1).\n";

void printLine(FILE* to, const QString& line)
{
    std::fputs(line.toUtf8().constData(), to);
    std::fputc('\n', to);
    std::fflush(to);
}

} // namespace

int main(int argc, char** argv)
{
    bool soundsOnly = false, help = false, version = false;
    QStringList dirs;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (!optionsEnded && a == QLatin1String("--")) optionsEnded = true;
        else if (!optionsEnded && (a == QLatin1String("-h") || a == QLatin1String("--help"))) help = true;
        else if (!optionsEnded && a == QLatin1String("--version")) version = true;
        else if (!optionsEnded && a == QLatin1String("--sounds")) soundsOnly = true;
        else if (!optionsEnded && a.startsWith(u'-')) {
            std::fprintf(stderr, "mokuri-deck: unknown option %s\n\n%s", argv[i], kUsage);
            return 2;
        } else dirs.push_back(a);
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (version) {
        std::fputs("mokuri-deck " MOKURI_VERSION "\n", stdout);
        return 0;
    }
    if (dirs.size() != 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // Drawing the pictures needs fonts, hence a GUI application, but never a screen.
    std::unique_ptr<QCoreApplication> app;
    if (soundsOnly) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }

    const QString dir = dirs.front();
    if (!QDir().mkpath(dir) || !QFileInfo(dir).isDir()) {
        printLine(stderr, QStringLiteral("mokuri-deck: cannot make the folder %1").arg(dir));
        return 1;
    }

    mokuri::deck::DeckMaker maker(
        dir,
        [](const QString& text, std::vector<int16_t>& samples, int& rate) {
            mokuri::SpeechAudio audio = mokuri::synthesizeSpeech(text);
            if (!audio.ok()) return audio.error;
            samples = std::move(audio.samples);
            rate = audio.sampleRate;
            return QString();
        },
        [](const QString& line) { printLine(line.startsWith(QLatin1String("created")) ? stdout : stderr, line); });
    maker.make(!soundsOnly);
    if (maker.created() == 0 && maker.failed() == 0)
        printLine(stdout, QStringLiteral("nothing to do: %1 already has everything").arg(dir));
    return maker.failed() == 0 ? 0 : 1;
}
