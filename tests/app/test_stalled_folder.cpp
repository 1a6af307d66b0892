// SPDX-License-Identifier: GPL-3.0-or-later
// A picture folder on a network share whose server stops answering: the window never waits
// for it. Start-up shows a waiting screen that Esc leaves, the adult's saves and the record's
// lines wait on their own thread and land in order once the share answers again, and a
// letter's sound that hangs is skipped. The share is a real FUSE mount whose chosen names
// hang in the kernel (mokuri-stalled-share).
#include "app/PatientStart.h"
#include "content/QueuedRecordWriter.h"
#include "fakes/MessageCloser.h"
#include "media/MediaTestSupport.h"
#include "fakes/StalledShare.h"
#include "fakes/StartedGame.h"
#include "fakes/TestFolder.h"
#include "media/SdlSoundPlayer.h"
#include "screens/SettingsDialog.h"
#include "screens/WaitingScreen.h"
#include "content/SettingsFile.h"
#include "support/SafeSave.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace mokuri;
using namespace mokuri::test;

namespace {

constexpr int kWait = 20000;
const QStringList kFour = {QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"), QStringLiteral("とり.bmp"),
                           QStringLiteral("うし.bmp")};

// Loading threads given up by a test may go on after it; their log must outlive them.
Trace& lastingTrace()
{
    static Trace* trace = new Trace();
    return *trace;
}

WaitingScreen* shownWaitingScreen()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<WaitingScreen*>(w); s && s->isVisible()) return s;
    return nullptr;
}

#define START_SHARE(share, backing)                                                                                    \
    StalledShare share;                                                                                                \
    if (!share.start(backing)) QSKIP(qPrintable(share.why()))

} // namespace

class StalledFolder : public QObject {
    Q_OBJECT
private slots:
    void startUpWaitsBehindAScreenThatEscLeaves_data()
    {
        QTest::addColumn<QString>("stalled");
        QTest::newRow("the settings file hangs") << QStringLiteral("Word.txt");
        QTest::newRow("the picture list hangs") << QStringLiteral("Fname.txt");
        QTest::newRow("the whole folder hangs") << QStringLiteral("data");
    }

    void startUpWaitsBehindAScreenThatEscLeaves()
    {
        QFETCH(QString, stalled);
        TestFolder folder;
        folder.addPictures(kFour);
        writeBytes(folder.data() + QStringLiteral("/Word.txt"), "#TRUE#,#TRUE#,1,0,#TRUE#,#FALSE#\r\n");
        START_SHARE(share, folder.path());
        share.stall(stalled);

        // The adult, seeing the waiting screen, presses Esc.
        bool escSent = false;
        QTimer adult;
        connect(&adult, &QTimer::timeout, this, [&] {
            if (WaitingScreen* s = shownWaitingScreen(); s && !escSent) {
                QVERIFY(s->message->text().contains(share.path() + QStringLiteral("/data")));
                QTest::keyClick(s, Qt::Key_Escape);
                escSent = true;
            }
        });
        adult.start(20);
        const PatientStartResult r =
            loadStartValuesPatiently(share.path() + QStringLiteral("/data"), lastingTrace(), std::chrono::milliseconds(50));
        QVERIFY(escSent);
        QVERIFY(r.givenUp);
        QVERIFY(!r.values);
        QVERIFY(share.waitUntilHeld(stalled));  // it was the share that held start-up
        QTRY_VERIFY_WITH_TIMEOUT(!shownWaitingScreen(), kWait);
    }

    void startUpGoesOnWhenTheShareAnswers()
    {
        TestFolder folder;
        folder.addPictures(kFour);
        START_SHARE(share, folder.path());
        share.stall(QStringLiteral("data"));
        QTimer server;
        connect(&server, &QTimer::timeout, this, [&] {
            if (shownWaitingScreen()) share.releaseAll();
        });
        server.start(20);
        const PatientStartResult r =
            loadStartValuesPatiently(share.path() + QStringLiteral("/data"), lastingTrace(), std::chrono::milliseconds(50));
        QVERIFY(!r.givenUp);
        QVERIFY(r.values);
        QCOMPARE(r.values->folder.pictures.size(), 4);
        QCOMPARE(r.values->tasks.size(), 4);
        QTRY_VERIFY_WITH_TIMEOUT(!shownWaitingScreen(), kWait);
        // The missing settings file was written with its defaults as usual.
        QVERIFY(!readBytes(folder.data() + QStringLiteral("/Word.txt")).isEmpty());
    }

    void adultsSavesWaitAndLandInOrder()
    {
        TestFolder folder;
        folder.addPictures(kFour);
        START_SHARE(share, folder.path());
        std::unique_ptr<StartedGame> g = startGame(share.path() + QStringLiteral("/data"));
        QVERIFY(g);
        const QByteArray before = readBytes(folder.data() + QStringLiteral("/Word.txt"));
        QVERIFY(!before.isEmpty());

        share.stall(QStringLiteral("Word.txt"));
        MessageCloser closer;
        SettingsDialog settings(g->scale);
        connect(&settings, &SettingsDialog::settingsChosen, g->session.get(), &AdultSession::chooseSettings);
        settings.setStored(g->session->settings());
        settings.showFromMainScreen();
        // Two changes in a row while the folder hangs: one decoy, then two.
        QTest::mouseClick(partOf<QRadioButton>(&settings, "Option6"), Qt::LeftButton);
        QTest::mouseClick(partOf<QPushButton>(&settings, "Command1"), Qt::LeftButton);
        QCOMPARE(g->round->settings().decoyCount, DecoyCount::One);
        // Said once the folder has kept the adult waiting a moment; the window never waits.
        QTRY_COMPARE_WITH_TIMEOUT(closer.texts.size(), 1, kWait);
        QVERIFY2(closer.texts[0].contains(QStringLiteral("応答しません")), qPrintable(closer.texts[0]));
        settings.setStored(g->session->settings());
        settings.showFromMainScreen();
        QTest::mouseClick(partOf<QRadioButton>(&settings, "Option7"), Qt::LeftButton);
        QTest::mouseClick(partOf<QPushButton>(&settings, "Command1"), Qt::LeftButton);
        QCOMPARE(g->round->settings().decoyCount, DecoyCount::Two);
        QTRY_COMPARE_WITH_TIMEOUT(closer.texts.size(), 2, kWait);

        // The game still answers meanwhile.
        g->round->start();
        QVERIFY(g->question().tileCount() >= 2);
        QCOMPARE(readBytes(folder.data() + QStringLiteral("/Word.txt")), before);

        share.releaseAll();
        // The newest choice is what the file holds in the end, never the older one.
        Settings two = g->round->settings();
        QTRY_COMPARE_WITH_TIMEOUT(readBytes(folder.data() + QStringLiteral("/Word.txt")), formatSettings(two), kWait);
        QCOMPARE(g->writes.finish(std::chrono::milliseconds(kWait)), QStringList());
        QCOMPARE(readBytes(folder.data() + QStringLiteral("/Word.txt")), formatSettings(two));
    }

    void aSaveThatCannotWaitIsNamedAtTheEnd()
    {
        TestFolder folder;
        folder.addPictures(kFour);
        START_SHARE(share, folder.path());
        WriteQueue writes;
        share.stall(QStringLiteral("Fname.txt"));
        const QString file = share.path() + QStringLiteral("/data/Fname.txt");
        const auto ticket = writes.submit(file, [file] { return saveFileAtomically(file, "x", lastingTrace()); });
        QCOMPARE(writes.waitFor(ticket, std::chrono::milliseconds(50)), WriteQueue::Outcome::Pending);
        QVERIFY(share.waitUntilHeld(QStringLiteral("Fname.txt")));
        QCOMPARE(writes.finish(std::chrono::milliseconds(50)), QStringList{file});
        share.releaseAll();
        QCOMPARE(writes.finish(std::chrono::milliseconds(kWait)), QStringList());
        QCOMPARE(readBytes(folder.data() + QStringLiteral("/Fname.txt")), QByteArray("x"));
    }

    void recordLinesWaitAndKeepTheirOrder()
    {
        TestFolder folder;
        folder.addPictures(kFour);
        START_SHARE(share, folder.path());
        share.stall(QStringLiteral("data"));
        WriteQueue writes;
        {
            QueuedRecordWriter record(share.path() + QStringLiteral("/data"), writes);
            for (int i = 1; i <= 5; ++i) {
                RecordLine line;
                line.session = QStringLiteral("s");
                line.question = i;
                line.time = QDateTime::currentDateTime();
                QVERIFY(record.append(line));  // returns while the folder hangs
            }
        }
        QVERIFY(share.waitUntilHeld(QStringLiteral("data")));
        share.releaseAll();
        QVERIFY(writes.finish(std::chrono::milliseconds(kWait)).isEmpty());
        const QDir dir(folder.data());
        const QStringList records = dir.entryList({QStringLiteral("*.csv")}, QDir::Files);
        QCOMPARE(records.size(), 1);
        QList<int> numbers;
        for (const RecordLine& r : parseRecord(readBytes(dir.filePath(records[0])))) numbers << r.question;
        QCOMPARE(numbers, (QList<int>{1, 2, 3, 4, 5}));
    }

    void aHangingSoundIsSkippedAndPlaysOnceTheShareAnswers()
    {
        TestFolder folder;
        writeBytes(folder.path() + QStringLiteral("/あ.wav"), toneWav(0.2, 22050, 1, 16));
        START_SHARE(share, folder.path());
        const QString before = QDir::currentPath();
        QDir::setCurrent(share.path());
        auto back = qScopeGuard([&] { QDir::setCurrent(before); });
        const QString traceFile = folder.path() + QStringLiteral("/trace.txt");
        Trace trace(traceFile);
        SdlSoundPlayer player(trace);
        share.stall(QStringLiteral("あ.wav"));
        QSignalSpy ended(&player, &SoundPlayer::soundEnded);
        player.play(QStringLiteral("あ.wav"));
        // The window's thread goes on at once; the game hears of a skipped sound's end.
        QVERIFY(player.isPlaying());
        QVERIFY(ended.wait(kWait));
        QVERIFY(!player.lastClip());
        QVERIFY(traceEvents(traceFile).contains(QStringLiteral("missing\tあ.wav")));
        QVERIFY(share.waitUntilHeld(QStringLiteral("あ.wav")));
        share.releaseAll();
        // Heard at a later play: the read that came late is kept, or the file read afresh.
        QTRY_VERIFY_WITH_TIMEOUT((player.play(QStringLiteral("あ.wav")), QTest::qWait(20), player.lastClip() != nullptr), kWait);
        player.stop();
    }
};

QTEST_MAIN(StalledFolder)
#include "test_stalled_folder.moc"
