// An automated child plays 300 questions, touching right and wrong tiles at random, while
// an adult now and then opens and leaves both dialogs. The game must keep answering,
// leave nothing sounding and keep its memory.
#include "content/Globals.h"
#include "fakes/Resources.h"
#include "dialogs/Form2.h"
#include "dialogs/Form3.h"
#include "fakes/TestFolder.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTest>

using namespace mokuri;
using namespace mokuri::test;

class Soak : public QObject {
    Q_OBJECT
private slots:
    void threeHundredQuestions()
    {
        qputenv("MOKURI_SEED", "77");
        TestFolder folder;
        folder.AddPictures({"りんご.bmp", "いぬ.bmp", "ねこ.gif", "とまと.bmp", "ケーキ.bmp", "でんしゃ.jpg",
                            "さかな.bmp", "くるま.bmp", "ぶどう.jpg", "バナナ.bmp"});
        WriteBytes(folder.Data() + "/Word.txt", "#TRUE#,#TRUE#,2,0,#TRUE#,#FALSE#\r\n");
        // The offscreen platform warns at every raise of a window.
        static QtMessageHandler previous = qInstallMessageHandler([](QtMsgType t, const QMessageLogContext& c, const QString& m) {
            if (!m.contains(QLatin1String("does not support raise"))) previous(t, c, m);
        });
        Game g = StartGame(folder.Data());
        Form1& f = *g.form;
        f.Timer1->setInterval(2);
        f.Timer2->setInterval(2);
        g.sound->playReads = 2;
        f.ShowFullScreen();
        QTRY_COMPARE(f.ActivationCount(), 1);

        QRandomGenerator rng(1234);
        int questions = 0, finished = 0, wrong = 0, dialogs = 0;
        QElapsedTimer sinceProgress;
        sinceProgress.start();
        double rssAt30 = 0;
        int lastSpoken = g.speech->spoken.size();
        while (questions < 300) {
            QCoreApplication::processEvents();
            // Every instruction and praise is heard to its end, sooner or later.
            if (g.speech->speaking && rng.bounded(3) == 0) g.speech->FinishSpeaking();
            g.sound->Finish();

            const int spoken = g.speech->spoken.size();
            bool newQuestion = false;
            for (int k = lastSpoken; k < spoken; ++k)
                if (g.speech->spoken[k].endsWith(QStringLiteral("並べましょう"))) {
                    newQuestion = true;
                    if (++questions == 30) rssAt30 = ResidentMegabytes();
                }
            if (spoken != lastSpoken) sinceProgress.restart();
            QVERIFY2(sinceProgress.elapsed() < 5000, "the game stopped answering");
            // The fakes' own logs are not the game's memory.
            if (spoken > 50) g.speech->spoken.clear();
            lastSpoken = g.speech->spoken.size();
            g.sound->calls.clear();
            g.sound->played.clear();

            QVERIFY(f.TaskIndex >= 0 && f.TaskIndex < TaskPictureCount);
            QVERIFY(f.TileCount <= 10 && f.NextLetterPos <= f.WordLength);

            if (newQuestion && rng.bounded(12) == 0) {
                // The adult: H or N, a look around, then one of the leaving buttons.
                ++dialogs;
                const bool settings = rng.bounded(2) == 0;
                f.Form_KeyDown(settings ? 72 : 78, Qt::NoModifier);
                QVERIFY(!f.Timer2->isActive());
                QVERIFY(!g.speech->speaking);
                if (settings) {
                    Form2* d = f.SettingsDialog;
                    QVERIFY(d);
                    QTRY_VERIFY(d->isActiveWindow());
                    QRadioButton* choices[] = {d->Option5, d->Option6, d->Option7, d->Option8,
                                               d->Option9, d->Option13, d->Option14};
                    QTest::mouseClick(choices[rng.bounded(7)], Qt::LeftButton);
                    QTest::mouseClick(rng.bounded(2) ? d->Command1 : d->Command2, Qt::LeftButton);
                } else {
                    Form3* d = f.TaskDialog;
                    QVERIFY(d);
                    QTRY_VERIFY(d->isActiveWindow());
                    QTest::mouseClick(rng.bounded(2) ? d->Command3 : d->Command4, Qt::LeftButton);
                    QTest::mouseClick(d->Command1, Qt::LeftButton);
                    if (!f.isActiveWindow()) QTest::mouseClick(d->Command2, Qt::LeftButton);
                }
                QTRY_VERIFY(f.isActiveWindow());
                QVERIFY(f.Speaking);  // a new question is being asked
                continue;
            }

            if (f.Speaking || f.TouchBusy || f.NextLetterPos >= f.WordLength) continue;
            // The child: mostly the right letter, sometimes any tile.
            int tile = -1;
            if (rng.bounded(5) != 0) {
                for (int i = 0; i < f.TileCount && tile < 0; ++i)
                    if (f.TileLetters[i] == f.TileLetters[f.NextLetterPos] && f.Label2[size_t(i)]->Top() != f.Label1->Top())
                        tile = i;
            } else {
                tile = int(rng.bounded(quint32(std::max<int>(f.TileCount, 1))));
            }
            if (tile < 0) continue;
            const int16_t before = f.NextLetterPos;
            TileLabel* t = f.Label2[size_t(tile)];
            if (GameSettings.TouchOnly) {
                QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), t->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                                 Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(t, &move);
            } else {
                QTest::mouseClick(t, Qt::LeftButton);
            }
            if (f.Label3->isVisible()) ++wrong;
            else if (f.NextLetterPos == f.WordLength && before != f.NextLetterPos) ++finished;
        }
        const double rssAt300 = ResidentMegabytes();
        qInfo("questions %d, words finished %d, wrong tiles %d, dialogs %d, RSS %.1f MB after 30, %.1f MB after 300",
              questions, finished, wrong, dialogs, rssAt30, rssAt300);
        QVERIFY(finished > 50);
        QVERIFY(wrong > 10);
        QVERIFY(dialogs > 3);
#ifndef __SANITIZE_ADDRESS__
        // AddressSanitizer keeps freed memory in quarantine and adds shadow memory, so
        // resident size says nothing there; the ordinary build checks it.
        QVERIFY(rssAt300 <= 120);
        QVERIFY2(rssAt300 - rssAt30 < 5, "memory grows from question to question");
#endif

        // Nothing is left hanging: the last speech ends and nothing plays.
        g.speech->FinishSpeaking();
        QTRY_COMPARE(f.Speaking, VbFalse);
        QVERIFY(g.sound->Mode() != ModePlaying);
    }
};

QTEST_MAIN(Soak)
#include "test_soak.moc"
