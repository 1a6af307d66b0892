// SPDX-License-Identifier: GPL-3.0-or-later
// モクリ: a word-building exercise in Japanese for young children.
#include "app/CommandLine.h"
#include "support/Logging.h"
#include "app/Ending.h"
#include "app/PatientStart.h"
#include "game/PracticeRecorder.h"
#include "game/Round.h"
#include "content/QueuedRecordWriter.h"
#include "media/SystemMedia.h"
#include "screens/Fonts.h"
#include "screens/AdultDialogs.h"
#include "screens/MainScreen.h"
#include "screens/WarningBox.h"
#include "session/AdultSession.h"
#include "support/WriteQueue.h"

#include <QApplication>
#include <QDir>
#include <QScreen>

int main(int argc, char** argv)
{
    using namespace mokuri;
    installProgramLog("mokuri");
    // Exactly --help or --version: answered before any window or display is needed.
    if (const std::optional<int> status = answerInformationRequest(argc, argv)) return *status;
    // The folder is read from the first moment, while the window system is reached, the
    // fonts are found and the sound and speech are made.
    Trace trace(Trace::targetFromEnvironment());
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const QString folder = folderFromArguments(arguments);
    StartRead reading(folder, trace);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mokuri"));
    installFontSubstitutes();
    if (const QString notice = noKanaFontNotice(); !notice.isEmpty()) showWarningBox(notice);
    Random random(Random::seedFromEnvironment());
    std::unique_ptr<SoundPlayer> sound = createSystemSoundPlayer(trace);
    std::unique_ptr<SpeechVoice> speech(createSystemSpeechVoice(trace));
    PatientStartResult patient = reading.wait();
    if (patient.givenUp) {
        qCInfo(logApp, "ended by Esc while waiting for the folder \"%s\"", qPrintable(folder));
        return endProgram(0, {}, trace);
    }
    std::optional<StartValues>& start = patient.values;
    if (!start) {
        showNoPicturesMessage(trace);
        return 1;
    }

    Round round(start->folder, start->tasks, start->settings, start->praise, *sound, *speech, random, trace);
    round.setAccess(start->access);
    // The first instruction is made while the window is built.
    round.prepareFirstQuestion();

    // Saves and record lines: never on the window's thread, in case the folder stalls.
    WriteQueue writes;
    AdultSession session(round, writes, trace);
    session.setNotices(start->settingsNotice, start->taskListNotice);
    // The practice record belongs to the picture folder; it never touches its text files.
    QueuedRecordWriter record(start->folder.path, writes);
    PracticeRecorder recorder(round, record, PracticeRecorder::newSession());

    QScreen* screen = QGuiApplication::primaryScreen();
    const TwipScale scale = TwipScale::of(screen);
    MainScreen mainScreen(round, scale, trace);
    new AdultDialogs(session, mainScreen, scale);  // owned by the main screen
    mainScreen.fitToScreen(screen ? screen->geometry().size() : QSize(1024, 768));
    mainScreen.showOverScreen();
    const int status = app.exec();

    // The window goes first: the kernel may hold the process's end until a share lets go
    // of a file it has open, and the child should not see a frozen screen meanwhile.
    round.silence();
    mainScreen.hide();
    QCoreApplication::processEvents();
    return endProgram(status, &writes, trace);
}
