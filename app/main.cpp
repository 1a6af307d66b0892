// SPDX-License-Identifier: GPL-3.0-or-later
// モクリ: a word-building exercise in Japanese for young children.
#include "app/CommandLine.h"
#include "app/PatientStart.h"
#include "game/PracticeRecorder.h"
#include "game/Round.h"
#include "content/QueuedRecordWriter.h"
#include "media/SystemMedia.h"
#include "screens/Fonts.h"
#include "screens/MainScreen.h"
#include "screens/WarningBox.h"
#include "support/Patience.h"
#include "support/WriteQueue.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    using namespace mokuri;
    // Exactly --help or --version: answered before any window or display is needed.
    if (const std::optional<int> status = answerInformationRequest(argc, argv)) return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mokuri"));
    installFontSubstitutes();
    if (const QString notice = noKanaFontNotice(); !notice.isEmpty()) showWarningBox(notice);

    Trace trace(Trace::targetFromEnvironment());
    Random random(Random::seedFromEnvironment());
    const QString folder = folderFromArguments(app.arguments().mid(1));
    PatientStartResult patient = loadStartValuesPatiently(folder, trace);
    if (patient.givenUp) {
        std::fprintf(stderr, "mokuri: ended by Esc while waiting for the folder \"%s\"\n", qPrintable(folder));
        // The reading thread may be stuck in the kernel for good: no destructor may wait on it.
        std::fflush(nullptr);
        std::_Exit(0);
    }
    std::optional<StartValues>& start = patient.values;
    if (!start) {
        showNoPicturesMessage(trace);
        return 1;
    }

    std::unique_ptr<SoundPlayer> sound = createSystemSoundPlayer(trace);
    std::unique_ptr<SpeechVoice> speech(createSystemSpeechVoice());
    Round round(start->folder, start->tasks, start->settings, start->praise, *sound, *speech, random, trace);

    // Saves and record lines: never on the window's thread, in case the folder stalls.
    WriteQueue writes;
    // The practice record belongs to the picture folder; it never touches its text files.
    QueuedRecordWriter record(start->folder.path, writes);
    PracticeRecorder recorder(round, record, PracticeRecorder::newSession());

    QScreen* screen = QGuiApplication::primaryScreen();
    const TwipScale scale = TwipScale::of(screen);
    MainScreen mainScreen(round, scale, trace, writes);
    mainScreen.setNotices(start->settingsNotice, start->taskListNotice);
    mainScreen.fitToScreen(screen ? screen->geometry().size() : QSize(1024, 768));
    mainScreen.showOverScreen();
    const int status = app.exec();

    // Esc ends the program within a second, whatever the folder does: writes get a moment
    // to finish, and those still waiting on a folder that does not answer are named.
    const QStringList unwritten = writes.finish(std::chrono::milliseconds(300));
    for (const QString& file : unwritten) {
        std::fprintf(stderr, "mokuri: %s was not written: its folder did not answer before the program ended\n",
                     qPrintable(QDir::toNativeSeparators(file)));
        trace.event("warning", {QStringLiteral("not saved ") + file});
    }
    if (!unwritten.isEmpty() || patience::running() > 0) {
        // A thread stuck in the kernel on the folder: ending normally would wait behind it
        // or pull its objects away under it. The window goes first: the kernel may hold the
        // process until the share lets go of a file it has open.
        mainScreen.hide();
        QCoreApplication::processEvents();
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
