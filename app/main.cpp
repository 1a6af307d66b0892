// SPDX-License-Identifier: GPL-3.0-or-later
// モクリ: a word-building exercise in Japanese for young children.
#include "app/CommandLine.h"
#include "app/StartUp.h"
#include "game/PracticeRecorder.h"
#include "game/Round.h"
#include "media/SystemMedia.h"
#include "screens/Fonts.h"
#include "screens/MainScreen.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv)
{
    using namespace mokuri;
    // Exactly --help or --version: answered before any window or display is needed.
    if (const std::optional<int> status = answerInformationRequest(argc, argv)) return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mokuri"));
    installFontSubstitutes();

    Trace trace(Trace::targetFromEnvironment());
    Random random(Random::seedFromEnvironment());
    std::optional<StartValues> start = loadStartValues(folderFromArguments(app.arguments().mid(1)), trace);
    if (!start) {
        showNoPicturesMessage(trace);
        return 1;
    }

    std::unique_ptr<SoundPlayer> sound = createSystemSoundPlayer(trace);
    std::unique_ptr<SpeechVoice> speech(createSystemSpeechVoice());
    Round round(start->folder, start->tasks, start->settings, start->praise, *sound, *speech, random, trace);

    // The practice record belongs to the picture folder; it never touches its text files.
    RecordWriter record(start->folder.path);
    PracticeRecorder recorder(round, record, PracticeRecorder::newSession());

    QScreen* screen = QGuiApplication::primaryScreen();
    const TwipScale scale = TwipScale::of(screen);
    MainScreen mainScreen(round, scale, trace);
    mainScreen.setNotices(start->settingsNotice, start->taskListNotice);
    mainScreen.fitToScreen(screen ? screen->geometry().size() : QSize(1024, 768));
    mainScreen.showOverScreen();
    return app.exec();
}
