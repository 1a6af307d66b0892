// SPDX-License-Identifier: GPL-3.0-or-later
// An automated child plays 300 questions, touching right and wrong tiles at random, while
// an adult now and then opens and leaves both dialogs. The game must keep answering, leave
// nothing sounding and keep its memory. Nothing here waits for time: the two timers' ticks
// are given by the test when the engine wants them, and windows are waited for by their
// activations.
#include "fakes/ScreenParts.h"
#include "fakes/Resources.h"
#include "fakes/StartedGame.h"
#include "fakes/TestFolder.h"
#include "screens/PictureChoiceDialog.h"
#include "screens/SettingsDialog.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTest>

using namespace mokuri;
using namespace mokuri::test;

namespace {

// Only a limit for waiting on a window; nothing is timed.
constexpr int kWait = 60000;
// Turns of the loop without a new question after which the game counts as stuck: a question
// takes a few dozen turns at most.
constexpr int kStuckTurns = 20000;

QtMessageHandler previousHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.contains(QLatin1String("does not support raise()"))) return;
    previousHandler(type, context, text);
}

void moveOver(QWidget* w)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

} // namespace

class Soak : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { previousHandler = qInstallMessageHandler(quietHandler); }

    void threeHundredQuestions()
    {
        TestFolder folder;
        folder.addPictures({QStringLiteral("りんご.bmp"), QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.gif"),
                            QStringLiteral("とまと.bmp"), QStringLiteral("ケーキ.bmp"), QStringLiteral("でんしゃ.jpg"),
                            QStringLiteral("さかな.bmp"), QStringLiteral("くるま.bmp"), QStringLiteral("ぶどう.jpg"),
                            QStringLiteral("バナナ.bmp")});
        writeBytes(folder.data() + QStringLiteral("/Word.txt"), "#TRUE#,#TRUE#,2,0,#TRUE#,#FALSE#\r\n");
        std::unique_ptr<StartedGame> g = startGame(folder.data(), {}, 77u);
        QVERIFY(g);
        MainScreen& f = *g->screen;
        Round& round = *g->round;
        // The test ticks the timers itself; their own intervals never run out during the test.
        retryTimerOf(f.round()).setInterval(24 * 3600 * 1000);
        nextQuestionTimerOf(f.round()).setInterval(24 * 3600 * 1000);

        int questions = 0;
        double rssAt30 = 0, heapAt30 = 0;
        connect(&round, &Round::questionReady, this, [&] {
            if (++questions == 30) {
                rssAt30 = residentMegabytes();
                heapAt30 = heapInUseMegabytes();
            }
        });
        f.showOverScreen();
        QTRY_COMPARE_WITH_TIMEOUT(questions, 1, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(f.isActiveWindow(), kWait);

        QRandomGenerator rng(1234);
        int finished = 0, wrong = 0, dialogs = 0, seenQuestions = questions, turnsWithoutQuestion = 0;
        while (questions < 300) {
            QCoreApplication::processEvents();
            // Every instruction and praise is heard to its end, sooner or later.
            if (g->speech.speaking && rng.bounded(3) == 0) g->speech.finishSpeaking();
            g->settle();
            g->sound.finish();
            if (retryTimerOf(f.round()).isActive()) round.onRetryTimer();
            if (nextQuestionTimerOf(f.round()).isActive()) round.onNextQuestionTimer();

            const bool newQuestion = questions != seenQuestions;
            seenQuestions = questions;
            turnsWithoutQuestion = newQuestion ? 0 : turnsWithoutQuestion + 1;
            QVERIFY2(turnsWithoutQuestion < kStuckTurns, "the game stopped answering");
            // The fakes' own logs are not the game's memory.
            if (g->speech.spoken.size() > 50) g->speech.spoken.clear();
            g->sound.played.clear();

            const Question& q = g->question();
            QVERIFY(q.taskIndex >= 0 && q.taskIndex < round.tasks().size());
            QVERIFY(q.tileCount() <= kMaxTiles && q.nextLetter <= q.wordLength());

            if (newQuestion && rng.bounded(12) == 0) {
                // The adult: H or N, a look around, then one of the leaving buttons.
                ++dialogs;
                const int activations = f.activation().count();
                const bool settings = rng.bounded(2) == 0;
                QTest::keyClick(&f, settings ? Qt::Key_H : Qt::Key_N);
                QVERIFY(!nextQuestionTimerOf(f.round()).isActive());
                QVERIFY(!g->speech.speaking);
                if (settings) {
                    SettingsDialog* d = settingsDialog();
                    QVERIFY(d);
                    QTRY_VERIFY_WITH_TIMEOUT(d->isActiveWindow(), kWait);
                    QRadioButton* choices[] = {partOf<QRadioButton>(d, "Option5"), partOf<QRadioButton>(d, "Option6"), partOf<QRadioButton>(d, "Option7"),
                                               partOf<QRadioButton>(d, "Option8"), partOf<QRadioButton>(d, "Option9"), partOf<QRadioButton>(d, "Option13"), partOf<QRadioButton>(d, "Option14")};
                    QTest::mouseClick(choices[rng.bounded(7)], Qt::LeftButton);
                    QTest::mouseClick(rng.bounded(2) ? partOf<QPushButton>(d, "Command1") : partOf<QPushButton>(d, "Command2"), Qt::LeftButton);
                } else {
                    PictureChoiceDialog* d = pictureChoiceDialog();
                    QVERIFY(d);
                    QTRY_VERIFY_WITH_TIMEOUT(d->isActiveWindow(), kWait);
                    const bool all = rng.bounded(2) == 0;
                    QTest::mouseClick(all ? partOf<QPushButton>(d, "Command3") : partOf<QPushButton>(d, "Command4"), Qt::LeftButton);
                    QTest::mouseClick(partOf<QPushButton>(d, "Command1"), Qt::LeftButton);
                    if (!all) QTest::mouseClick(partOf<QPushButton>(d, "Command2"), Qt::LeftButton);  // none ticked: "決定" does nothing
                }
                // Back on the main screen a new question is being asked.
                QTRY_COMPARE_WITH_TIMEOUT(f.activation().count(), activations + 1, kWait);
                QVERIFY(round.speaking());
                continue;
            }

            if (round.speaking() || retryTimerOf(f.round()).isActive() || q.nextLetter >= q.wordLength()) continue;
            // The child: mostly the right letter, sometimes any tile.
            const int tile = rng.bounded(5) != 0 ? freeTileWith(q, q.tileLetter(q.nextLetter))
                                                 : int(rng.bounded(quint32(std::max(q.tileCount(), 1))));
            if (tile < 0) continue;
            TileLabel* t = tileOf(f, tile);
            if (round.settings().takeTile == TakeTile::ByTouch)
                moveOver(t);
            else
                QTest::mouseClick(t, Qt::LeftButton);
            g->settle();
            if (q.wrongTile >= 0) ++wrong;
            else if (q.wordDone) ++finished;
        }
        const double rssAt300 = residentMegabytes();
        const double heapAt300 = heapInUseMegabytes();
        qInfo("questions %d, words finished %d, wrong tiles %d, dialogs %d, RSS %.1f MB after 30, %.1f MB after 300, "
              "heap in use %.1f MB after 30, %.1f MB after 300",
              questions, finished, wrong, dialogs, rssAt30, rssAt300, heapAt30, heapAt300);
        QVERIFY(finished > 50);
        QVERIFY(wrong > 10);
        QVERIFY(dialogs > 3);
#ifndef __SANITIZE_ADDRESS__
        // AddressSanitizer keeps freed memory in quarantine and adds shadow memory, so
        // resident size says nothing there; the ordinary build checks it.
        QVERIFY(rssAt300 <= 120);
        // Growth is judged on what is allocated: the resident size also counts the free
        // memory of malloc's per-thread arenas, which varies with how busy the machine was
        // while pictures were decoded (seen up to 4 MB apart on a loaded machine).
        QVERIFY2(heapAt300 - heapAt30 < 2, "memory grows from question to question");
#endif

        // Nothing is left hanging: the last speech ends and nothing plays.
        g->speech.finishSpeaking();
        QVERIFY(!round.speaking());
        QVERIFY(!g->sound.isPlaying());
    }
};

QTEST_MAIN(Soak)
#include "test_soak.moc"
