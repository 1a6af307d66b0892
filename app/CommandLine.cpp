// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "media/VoiceCredit.h"
#include "support/Logging.h"

#include <QCommandLineParser>
#include <cstdio>

namespace mokuri {

namespace {

const char kHelp[] =
    "Usage: mokuri [FOLDER]\n"
    "\n"
    "モクリ (Mokuri): a child sees a picture and builds its word from kana tiles.\n"
    "\n"
    "The whole command line is the picture folder, so a name with blanks needs no\n"
    "quotes; without one the pictures are taken from the current folder. A picture's\n"
    "file name is its word: りんご.jpg, バナナ.gif, ケーキ.bmp.\n"
    "The letter sounds (あ.wav ...), ガチャ.wav, ブー.wav, ピンポン.wav, the praise lines\n"
    "O.txt and the pointer Clear.ico are read from the current folder; mokuri-deck\n"
    "makes them, mokuri-play starts the game on a ready-made sample deck.\n"
    "\n"
    "Keys:\n"
    "  H    settings (モクリ設定), kept in Word.txt in the picture folder\n"
    "  N    choose the pictures played (課題選択画面), kept in Fname.txt\n"
    "  Esc  end the program\n"
    "\n"
    "Environment:\n"
    "  MOKURI_SEED=N                the random order repeats exactly from run to run\n"
    "  MOKURI_TRACE=FILE or 1       one line per event, to FILE or to stderr\n"
    "  MOKURI_MESSAGE_TIMEOUT_MS=N  message boxes close by themselves after N ms\n"
    "\n"
    "  mokuri --help     this text\n"
    "  mokuri --version  the version\n"
    "\n"
    "See mokuri(6).\n";

} // namespace

std::optional<int> answerInformationRequest(int argc, const char* const* argv)
{
    // "--help x" and any other longer command line is a folder's name.
    if (argc != 2 || argv[0] == nullptr || argv[1] == nullptr) return std::nullopt;
    QCommandLineParser parser;
    const QCommandLineOption help(QStringLiteral("help")), version(QStringLiteral("version"));
    parser.addOptions({help, version});
    if (!parser.parse({QString::fromLocal8Bit(argv[0]), QString::fromLocal8Bit(argv[1])}) ||
        !parser.positionalArguments().isEmpty())
        return std::nullopt;
    if (parser.isSet(help)) {
        std::fputs(kHelp, stdout);
    } else if (parser.isSet(version)) {
        std::printf("mokuri %s\n", programVersion());
        std::fputs(kVoiceCredit, stdout);
    } else {
        return std::nullopt;
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

} // namespace mokuri
