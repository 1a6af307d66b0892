// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-deck: makes a folder ready for モクリ, or adds the sounds a folder of one's own
// pictures needs.
#include "media/OpenJTalk.h"
#include "media/SpeechSynthesis.h"
#include "media/VoiceCredit.h"
#include "tools/Deck.h"
#include "support/Logging.h"
#include "tools/ProgressWindow.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <QThread>
#include <cstdio>
#include <unistd.h>
#include <memory>

namespace {

const char kUsage[] =
    "Usage: mokuri-deck DIR\n"
    "       mokuri-deck --sounds DIR\n"
    "       mokuri-deck --renew [--sounds] DIR\n"
    "\n"
    "Makes a folder ready for the word game mokuri (モクリ).\n"
    "\n"
    "  mokuri-deck DIR           sample pictures (the file name is the word) and\n"
    "                            everything of --sounds\n"
    "  mokuri-deck --sounds DIR  only what a folder of your own pictures needs: a spoken\n"
    "                            WAV for every letter, the effect sounds ガチャ.wav, ブー.wav\n"
    "                            and ピンポン.wav, the praise lines O.txt and the pointer\n"
    "                            Clear.ico\n"
    "  --renew                   also speak again, in the voice now installed, the\n"
    "                            letters an earlier run made with another voice\n"
    "                            (espeak-ng); a letter you recorded is never replaced\n"
    "  --progress-window         show how far the letter voices are in a small window\n"
    "                            while they are made (the menu entry's first start)\n"
    "  -h, --help                this text\n"
    "  --version                 the version\n"
    "\n"
    "Only missing files are created; an existing file is never changed, but for\n"
    "--renew. Every file created is listed. DIR is created if it does not exist.\n"
    "The letters are spoken by Open JTalk with the voice Mei (or a .htsvoice file in\n"
    "DIR), else by espeak-ng; the letters it made are listed in DIR/.mokuri-deck-voices.\n"
    "The game reads the sounds, O.txt and Clear.ico from the folder it is started in.\n"
    "See mokuri-deck(1).\n";

bool g_progressShown = false; // a progress line without its newline stands on stderr

void printLine(FILE* to, const QString& line)
{
    std::fputs(line.toUtf8().constData(), to);
    std::fputc('\n', to);
    std::fflush(to);
}

} // namespace

int main(int argc, char** argv)
{
    mokuri::installProgramLog("mokuri-deck");
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption soundsOption(QStringLiteral("sounds")), renewOption(QStringLiteral("renew")),
        windowOption(QStringLiteral("progress-window")), helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
        versionOption(QStringLiteral("version"));
    parser.addOptions({soundsOption, renewOption, windowOption, helpOption, versionOption});
    if (!parser.parse(args)) {
        std::fprintf(stderr, "mokuri-deck: %s\n\n%s", qUtf8Printable(parser.errorText()), kUsage);
        return 2;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("mokuri-deck %s\n", mokuri::programVersion());
        std::fputs(mokuri::kVoiceCredit, stdout);
        return 0;
    }
    const QStringList dirs = parser.positionalArguments();
    if (dirs.size() != 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const bool soundsOnly = parser.isSet(soundsOption), renew = parser.isSet(renewOption),
               progressWindow = parser.isSet(windowOption);

    // Drawing the pictures needs fonts, hence a GUI application, but never a screen.
    std::unique_ptr<QCoreApplication> app;
    if (progressWindow) {
        // On the desktop's screen; without one, nowhere to be seen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else if (soundsOnly) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }

    const QString dir = dirs.front();
    if (!QDir().mkpath(dir) || !QFileInfo(dir).isDir()) {
        qCWarning(mokuri::logTools, "cannot make the folder %s", qUtf8Printable(dir));
        return 1;
    }

    using mokuri::deck::LetterVoice;
    using mokuri::deck::Spoken;
    const LetterVoice espeak{mokuri::deck::kEspeakEngine, [](const QString& text) {
                                 mokuri::SpeechAudio audio = mokuri::synthesizeSpeech(text);
                                 return Spoken{std::move(audio.samples), audio.sampleRate, audio.error};
                             }};
    LetterVoice voice = espeak;
    // The letters in the game's own voice: a .htsvoice file in DIR, else Mei.
    const mokuri::OpenJTalkChoice choice = mokuri::chooseOpenJTalk(mokuri::OpenJTalkSearch::standard(dir));
    if (choice.setup) {
        mokuri::OpenJTalkSetup setup = *choice.setup;
        setup.speed = 0.85; // a lone letter, said slowly enough to be learnt
        voice = {QStringLiteral("open_jtalk ") + QFileInfo(setup.voice).fileName(), [setup](const QString& text) {
                     // Mei says a lone ン in some 30 ms, too short for a child to hear: held
                     // like a hum, it lasts.
                     const QString said = text == QStringLiteral("ン") ? QStringLiteral("ンーーー") : text;
                     mokuri::OpenJTalkAudio audio = mokuri::synthesizeWithOpenJTalk(setup, setup.voice, said);
                     return Spoken{std::move(audio.samples), audio.sampleRate, audio.error};
                 }};
    } else if (!choice.asked) {
        qCInfo(mokuri::logTools, "the letters are spoken by espeak-ng: %s", qUtf8Printable(choice.why));
    }

    mokuri::deck::DeckMaker maker(dir, voice, espeak, [](const QString& line) {
        const bool listing = line.startsWith(QLatin1String("created")) || line.startsWith(QLatin1String("renewed"));
        if (g_progressShown) std::fputs("\r\033[K", stderr); // the progress line gives way
        if (listing) printLine(stdout, line);
        else qCWarning(mokuri::logTools, "%s", qUtf8Printable(line));
    });
    maker.setRenew(renew);
    // Open JTalk takes a while for all the letters: a terminal sees how far it is.
    if (isatty(fileno(stderr))) {
        maker.setProgress([](int done, int total) {
            std::fprintf(stderr, "\rletter voices: %d of %d", done, total);
            if (done == total) std::fputc('\n', stderr);
            std::fflush(stderr);
            g_progressShown = done != total;
        });
    }
    if (progressWindow) {
        // The window needs this thread's event loop while the deck is made on another.
        mokuri::deck::ProgressWindow window;
        const auto terminal = maker.progress();
        maker.setProgress([&window, terminal](int done, int total) {
            window.setProgress(done, total);
            if (terminal) terminal(done, total);
        });
        std::unique_ptr<QThread> making(QThread::create([&] { maker.make(!soundsOnly); }));
        QObject::connect(making.get(), &QThread::finished, app.get(), &QCoreApplication::quit);
        making->start();
        app->exec();
        making->wait();
    } else {
        maker.make(!soundsOnly);
    }
    if (maker.created() == 0 && maker.failed() == 0 && maker.renewed() == 0)
        printLine(stdout, QStringLiteral("nothing to do: %1 already has everything").arg(dir));
    return maker.failed() == 0 ? 0 : 1;
}
