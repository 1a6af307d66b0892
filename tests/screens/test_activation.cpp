// SPDX-License-Identifier: GPL-3.0-or-later
// Which focus changes count as an activation: the watcher's rules on plain windows, and
// the main screen starting a new series of questions on its activations.
#include "fakes/StartedGame.h"
#include "fakes/TestFolder.h"
#include "screens/ActivationWatcher.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QWindow>
#include <memory>

using namespace mokuri;
using namespace mokuri::test;

namespace {

// The offscreen platform cannot raise windows and says so at every raise.
QtMessageHandler previousHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.contains(QLatin1String("does not support raise()"))) return;
    previousHandler(type, context, text);
}

// Shows and activates the window and waits until it has the focus.
bool focus(QWidget* w)
{
    w->show();
    w->activateWindow();
    return QTest::qWaitFor([w] { return QGuiApplication::focusWindow() == w->windowHandle(); }, 60000);
}

} // namespace

class Activation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { previousHandler = qInstallMessageHandler(quietHandler); }

    void watcherRules_data()
    {
        QTest::addColumn<bool>("firstFocusCounts");
        QTest::addColumn<bool>("messageBoxReturnCounts");
        // The windows focused in turn: w (watched), o (another of ours), m (a message box),
        // s (w, with the next focus skipped because the caller has run the activation).
        QTest::addColumn<QString>("focusOrder");
        QTest::addColumn<int>("count");
        QTest::newRow("first focus counts") << true << true << QStringLiteral("w") << 1;
        QTest::newRow("first focus does not count") << false << false << QStringLiteral("w") << 0;
        QTest::newRow("back from another window") << false << false << QStringLiteral("wow") << 1;
        QTest::newRow("back from a message box, counted") << false << true << QStringLiteral("wmw") << 1;
        QTest::newRow("back from a message box, not counted") << false << false << QStringLiteral("wmw") << 0;
        QTest::newRow("back from both") << true << false << QStringLiteral("wowmwow") << 3;
        QTest::newRow("skipped focus") << false << false << QStringLiteral("wos") << 0;
        QTest::newRow("only the next focus is skipped") << false << false << QStringLiteral("wosow") << 1;
    }
    void watcherRules()
    {
        QFETCH(bool, firstFocusCounts);
        QFETCH(bool, messageBoxReturnCounts);
        QFETCH(QString, focusOrder);
        QFETCH(int, count);
        QWidget watched(nullptr, Qt::Window | Qt::FramelessWindowHint);
        QWidget other(nullptr, Qt::Window | Qt::FramelessWindowHint);
        QDialog box;
        for (QWidget* w : {&watched, &other, static_cast<QWidget*>(&box)}) w->resize(200, 100);
        watched.winId();  // the watcher compares with the window's handle
        ActivationWatcher watcher(&watched, ActivationWatcher::Rules{firstFocusCounts, messageBoxReturnCounts});
        int signalled = 0;
        connect(&watcher, &ActivationWatcher::activated, this, [&signalled] { ++signalled; });
        for (QChar c : focusOrder) {
            if (c == u's') watcher.skipNextFocus();
            QWidget* w = c == u'o' ? &other : c == u'm' ? static_cast<QWidget*>(&box) : &watched;
            QVERIFY2(focus(w), qPrintable(QString(c)));
        }
        QCOMPARE(watcher.count(), count);
        QCOMPARE(signalled, count);
    }

    void mainScreenStartsAgainOnEachActivation()
    {
        TestFolder folder;
        folder.addPictures({QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"), QStringLiteral("とり.bmp"),
                            QStringLiteral("うし.bmp")});
        std::unique_ptr<StartedGame> g = startGame(folder.data());
        QVERIFY(g);
        MainScreen& f = *g->screen;
        // The first question comes with the first showing, before any focus: a window
        // manager that prevents focus stealing must not leave the child an empty screen.
        f.show();
        QTRY_COMPARE_WITH_TIMEOUT(g->speech.spoken.size(), 1, 60000);
        QCOMPARE(g->question().taskIndex, 0);
        // Its first focus is no new start.
        QVERIFY(focus(&f));
        QCOMPARE(f.activation().count(), 0);
        QCOMPARE(g->speech.spoken.size(), 1);

        // The child finishes a word: the next question is the second picture.
        g->speech.finishSpeaking();
        for (QChar c : g->question().word) {
            g->sound.finish();
            g->round->onTileClicked(freeTileWith(g->question(), QString(c)));
            g->settle();
        }
        g->speech.finishSpeaking();
        g->round->onNextQuestionTimer();
        QCOMPARE(g->question().taskIndex, 1);
        QCOMPARE(g->speech.spoken.size(), 3);

        // Another window of ours comes in front; then the main screen is brought back and
        // starts from the first picture of a new order.
        QWidget other(nullptr, Qt::Window | Qt::FramelessWindowHint);
        other.resize(200, 100);
        QVERIFY(focus(&other));
        QCOMPARE(f.activation().count(), 0);
        f.returnFromDialog();
        QTRY_COMPARE_WITH_TIMEOUT(f.activation().count(), 1, 60000);
        QCOMPARE(g->question().taskIndex, 0);
        QCOMPARE(g->speech.spoken.size(), 4);
    }
};

QTEST_MAIN(Activation)
#include "test_activation.moc"
