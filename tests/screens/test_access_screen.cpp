// SPDX-License-Identifier: GPL-3.0-or-later
// Switches and dwell through the main screen's real window, and the access dialog reached
// from the settings dialog, on a game on fakes.
#include "content/AccessSettingsFile.h"
#include "fakes/ScreenParts.h"
#include "fakes/StartedGame.h"
#include "fakes/QuietPlatform.h"
#include "fakes/TestFolder.h"
#include "screens/AccessDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace mokuri;
using namespace mokuri::test;

namespace {

constexpr int kWait = 60000;  // only a limit for a window to come; nothing is timed

const QStringList kPictures = {QStringLiteral("いぬ.jpg"), QStringLiteral("ねこ.jpg"), QStringLiteral("りんご.bmp"),
                               QStringLiteral("さかな.jpg")};

// A game with this access file, on the main screen, its first instruction spoken.
struct Game {
    TestFolder folder;
    std::unique_ptr<StartedGame> game;
    QString traceFile() const { return folder.path() + QStringLiteral("/trace.txt"); }
    MainScreen& screen() const { return *game->screen; }

    explicit Game(const QByteArray& access)
    {
        folder.addPictures(kPictures);
        if (!access.isEmpty()) writeBytes(folder.data() + u'/' + kAccessFileName, access);
        game = startGame(folder.data(), traceFile());
        QVERIFY(game);
        screen().showOverScreen();
        QTRY_COMPARE_WITH_TIMEOUT(game->speech.spoken.size(), 1, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(screen().isActiveWindow(), kWait);
        game->speech.finishSpeaking();
    }
    QStringList presses() const
    {
        QStringList out;
        for (const QString& e : traceEvents(traceFile()))
            if (e.startsWith(QStringLiteral("press\t"))) out << e.mid(6).replace(u'\t', u' ');
        return out;
    }
    QWidget* marker(const char* name) const { return screen().findChild<QWidget*>(QString::fromLatin1(name)); }
};

} // namespace

class AccessScreen : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { quietenOffscreenPlatform(); }
    void cleanup() { QTest::qWait(0); }

    // Each input a switch interface sends, in each switch mode: the verdict the trace gives.
    void inputsAreSwitches_data()
    {
        QTest::addColumn<QByteArray>("access");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("presses");
        const QByteArray one = "method=one-switch\nscan-start=on-press\n", two = "method=two-switch\n";
        QTest::newRow("one switch: Space") << one << "space" << QStringList{QStringLiteral("1 accepted start")};
        QTest::newRow("one switch: Enter") << one << "enter" << QStringList{QStringLiteral("2 accepted start")};
        QTest::newRow("one switch: left button") << one << "left" << QStringList{QStringLiteral("1 accepted start")};
        QTest::newRow("one switch: held Space repeats") << one << "held-space"
            << QStringList{QStringLiteral("1 accepted start"), QStringLiteral("1 ignored repeat"), QStringLiteral("1 ignored repeat")};
        QTest::newRow("two switches: Space moves") << two << "space" << QStringList{QStringLiteral("1 accepted move")};
        QTest::newRow("two switches: right button takes") << two << "right" << QStringList{QStringLiteral("2 accepted take")};
        QTest::newRow("two switches: double click is two presses") << two << "double-left"
            << QStringList{QStringLiteral("1 accepted move"), QStringLiteral("1 accepted move")};
        QTest::newRow("no switches: Space is nothing") << QByteArray() << "space" << QStringList{};
    }
    void inputsAreSwitches()
    {
        QFETCH(QByteArray, access);
        QFETCH(QString, input);
        Game g(access);
        MainScreen& screen = g.screen();
        // On the picture, away from any tile: a switch is pressed wherever the pointer is.
        QWidget* picture = pictureOf(screen);
        if (input == u"space") QTest::keyClick(&screen, Qt::Key_Space);
        else if (input == u"enter") QTest::keyClick(&screen, Qt::Key_Return);
        else if (input == u"left") QTest::mouseClick(picture, Qt::LeftButton);
        else if (input == u"right") QTest::mouseClick(picture, Qt::RightButton);
        else if (input == u"double-left") {
            QTest::mouseClick(picture, Qt::LeftButton);
            QTest::mouseDClick(picture, Qt::LeftButton);
        } else if (input == u"held-space") {
            QTest::keyPress(&screen, Qt::Key_Space);
            for (int i = 0; i < 2; ++i) {
                QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
                QApplication::sendEvent(&screen, &repeat);
            }
            QTest::keyRelease(&screen, Qt::Key_Space);
        }
        QTEST(g.presses(), "presses");
        // A switch press never opens a dialog.
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(windows.begin(), windows.end(), [&](QWidget* w) { return w != &screen && w->isVisible(); }));
        QVERIFY(screen.isActiveWindow());
    }

    void highlightIsDrawnOnTheTile()
    {
        Game g("method=one-switch\n");
        QWidget* frame = g.marker("HighlightFrame");
        QVERIFY(frame && frame->isVisible());
        for (int n = 0; n < 3; ++n) {
            const int tile = g.game->round->highlightedTile();
            QVERIFY(tile >= 0);
            const QRect tileRect = tileOf(g.screen(), tile)->geometry();
            QVERIFY(frame->geometry().contains(tileRect));
            QVERIFY(frame->width() > tileRect.width());  // round it, over the teal
            QMetaObject::invokeMethod(g.game->round->findChild<QTimer*>(QStringLiteral("ScanTimer")), "timeout");
        }
        // Taken: no highlight while the letter sounds.
        QTest::keyClick(&g.screen(), Qt::Key_Space);
        QVERIFY(!frame->isVisible());
    }

    void dwellFillFollowsThePointer()
    {
        Game g("dwell-ms=1000\n");
        g.game->round->setSettings({.takeTile = TakeTile::ByTouch});
        g.game->round->start();
        g.game->speech.finishSpeaking();
        QWidget* fill = g.marker("DwellFill");
        TileLabel* tile = tileOf(g.screen(), 0);
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), tile->mapToGlobal(QPointF(3, 3)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(tile, &move);
        QVERIFY(fill->isVisible());
        QCOMPARE(fill->geometry(), tile->geometry());
        QVERIFY(g.game->sound.played.isEmpty());  // passing over takes nothing
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(tile, &leave);
        QVERIFY(!fill->isVisible());
    }

    void accessDialogFromTheSettings()
    {
        Game g({});
        QTest::keyClick(&g.screen(), Qt::Key_H);
        QTRY_VERIFY_WITH_TIMEOUT(settingsDialog() && settingsDialog()->isActiveWindow(), kWait);
        SettingsDialog* settings = settingsDialog();
        QTest::mouseClick(partOf<QRadioButton>(settings, "Option13"), Qt::LeftButton);  // a choice not yet executed
        QTest::mouseClick(partOf<QPushButton>(settings, "CommandAccess"), Qt::LeftButton);
        auto* dialog = topLevelNamed<AccessDialog>(QStringLiteral("FormAccess"));
        QVERIFY(dialog);
        QTRY_VERIFY_WITH_TIMEOUT(dialog->isActiveWindow(), kWait);

        // With one switch chosen, Tab reaches each of its controls, and comes round.
        QTest::mouseClick(partOf<QRadioButton>(dialog, "AccessOneSwitch"), Qt::LeftButton);
        QStringList walked;
        for (int i = 0; i < 10; ++i) {
            QWidget* w = QApplication::focusWidget();
            while (w && !w->objectName().startsWith(QStringLiteral("Access"))) w = w->parentWidget();
            QVERIFY(w);
            walked << w->objectName().mid(6);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(walked.join(u' '), QStringLiteral("OneSwitch Interval Start Rounds Hold IgnoreRepeat Auditory Execute Cancel OneSwitch"));

        QTest::mouseClick(partOf<QCheckBox>(dialog, "AccessAuditory"), Qt::LeftButton);
        QTest::mouseClick(partOf<QPushButton>(dialog, "AccessExecute"), Qt::LeftButton);
        QCOMPARE(g.game->round->access().method, AccessMethod::OneSwitch);
        QVERIFY(g.game->round->access().auditoryScan);
        const QString file = g.folder.data() + u'/' + kAccessFileName;
        QTRY_VERIFY_WITH_TIMEOUT(parseAccessSettings(readBytes(file)) == g.game->round->access(), kWait);
        // Back in the settings, with the choice made there before still on.
        QTRY_VERIFY_WITH_TIMEOUT(settings->isActiveWindow(), kWait);
        QVERIFY(partOf<QRadioButton>(settings, "Option13")->isChecked());
    }
};

QTEST_MAIN(AccessScreen)
#include "test_access_screen.moc"
