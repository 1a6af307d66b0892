// SPDX-License-Identifier: GPL-3.0-or-later
// The main screen on touch screens and keyboards of any layout, and how its labels look:
// input reaches the engine, and what the engine says is drawn as designed.
#include "fakes/ScreenParts.h"
#include "fakes/FakeSound.h"
#include "fakes/FakeSpeech.h"
#include "game/Round.h"
#include "screens/Fonts.h"
#include "screens/MainScreen.h"
#include "screens/SettingsDialog.h"

#include <QApplication>
#include <QFontInfo>
#include <QKeyEvent>
#include <QPointingDevice>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace mokuri;
using namespace mokuri::test;

namespace {

// A main screen over a 1024 x 768 screen on one picture, shown without taking the focus;
// the instruction has been spoken.
struct Rig {
    FakeSound sound;
    FakeSpeech speech;
    Random random{7u};
    Trace trace;
    TwipScale scale{15};
    std::unique_ptr<Round> round;
    std::unique_ptr<MainScreen> screen;

    explicit Rig(Settings settings, const QString& picture = QStringLiteral("いぬ.bmp"))
    {
        sound.soundsLast = false;
        round = std::make_unique<Round>(PictureFolder{QStringLiteral("no-such-folder"), {picture}}, TaskList{picture},
                                        settings, QStringList{QStringLiteral("よくできました")}, sound, speech, random,
                                        trace);
        screen = std::make_unique<MainScreen>(*round, scale, trace);
        screen->fitToScreen(QSize(1024, 768));
        screen->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    ~Rig() { screen.reset(); }

    // Shows the screen and waits for the first question: it must come without any focus.
    bool showAndWaitForQuestion()
    {
        QSignalSpy ready(round.get(), &Round::questionReady);
        screen->show();
        if (!ready.wait(10000)) return false;
        speech.finishSpeaking();
        return !round->speaking();
    }
    QPointF centreOf(int tile) const
    {
        const TileLabel* t = tileOf(*screen, tile);
        return QPointF(t->geometry().center());
    }
    int tileWith(const QString& letter) const { return int(round->question().tileLetters.indexOf(letter)); }
};

Settings takingBy(TakeTile how)
{
    Settings s;
    s.takeTile = how;
    return s;
}

// Dark pixels of a widget as drawn: heavier strokes make more of them.
int inkOf(QWidget* w)
{
    const QImage img = w->grab().toImage();
    int ink = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) ink += qGray(img.pixel(x, y)) < 128;
    return ink;
}

} // namespace

class TouchKeysLook : public QObject {
    Q_OBJECT
    QPointingDevice* touchScreen = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);

private slots:
    void initTestCase() { installFontSubstitutes(); }
    void cleanupTestCase() { delete touchScreen; }  // the test owns the device it made

    void stillTapTakesATileByTouch()
    {
        Rig rig(takingBy(TakeTile::ByTouch));
        QVERIFY(rig.showAndWaitForQuestion());
        const QPoint at = rig.centreOf(rig.tileWith(QStringLiteral("い"))).toPoint();
        QTest::touchEvent(rig.screen.get(), touchScreen).press(0, at);
        QTest::touchEvent(rig.screen.get(), touchScreen).release(0, at);
        QCOMPARE(rig.round->question().nextLetter, 1);
        QCOMPARE(rig.sound.played.first(), QStringLiteral("い.wav"));
    }

    void slidingFingerTakesEachTileItEnters_data()
    {
        QTest::addColumn<TakeTile>("how");
        QTest::addColumn<int>("taken");
        QTest::newRow("touch mode: every tile entered") << TakeTile::ByTouch << 2;
        QTest::newRow("click mode: a slide is no click") << TakeTile::ByClick << 0;
    }
    void slidingFingerTakesEachTileItEnters()
    {
        QFETCH(TakeTile, how);
        QFETCH(int, taken);
        Rig rig(takingBy(how));
        QVERIFY(rig.showAndWaitForQuestion());
        // Down between the tiles, across the first letter's tile, on to the second's.
        const QPoint first = rig.centreOf(rig.tileWith(QStringLiteral("い"))).toPoint();
        const QPoint second = rig.centreOf(rig.tileWith(QStringLiteral("ぬ"))).toPoint();
        const QPoint start(first.x(), first.y() - tileOf(*rig.screen, 0)->height());
        QTest::touchEvent(rig.screen.get(), touchScreen).press(0, start);
        QTest::touchEvent(rig.screen.get(), touchScreen).move(0, first);
        QTest::touchEvent(rig.screen.get(), touchScreen).move(0, first + QPoint(2, 2));  // still on it
        QTest::touchEvent(rig.screen.get(), touchScreen).move(0, second);
        QTest::touchEvent(rig.screen.get(), touchScreen).release(0, second);
        QCOMPARE(rig.round->question().nextLetter, taken);
    }

    void tapIsAClickInClickMode()
    {
        Rig rig(takingBy(TakeTile::ByClick));
        QVERIFY(rig.showAndWaitForQuestion());
        const int tile = rig.tileWith(QStringLiteral("い"));
        const QPoint at = rig.centreOf(tile).toPoint();
        QTest::touchEvent(rig.screen.get(), touchScreen).press(0, at);
        QCOMPARE(rig.round->question().nextLetter, 0);  // taken on release, as a click
        QTest::touchEvent(rig.screen.get(), touchScreen).release(0, at);
        QCOMPARE(rig.round->question().nextLetter, 1);
        // The mouse is as before: moving over a tile does nothing in click mode, a click takes.
        const int next = rig.tileWith(QStringLiteral("ぬ"));
        QTest::mouseMove(tileOf(*rig.screen, next), QPoint(5, 5));
        QCOMPARE(rig.round->question().nextLetter, 1);
        QTest::mouseClick(tileOf(*rig.screen, next), Qt::LeftButton);
        QCOMPARE(rig.round->question().nextLetter, 2);
    }

    void keysByPlaceOnAnyLayout_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<quint32>("scanCode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");  // AdultKey, or -1 for none
        QTest::newRow("Latin H") << int(Qt::Key_H) << 43u << QStringLiteral("h") << int(AdultKey::Settings);
        QTest::newRow("Russian layout, key H (р)") << 0x0420 /* Р */ << 43u << QStringLiteral("р")
                                                   << int(AdultKey::Settings);
        QTest::newRow("Greek layout, key N (ν)") << int(Qt::Key_unknown) << 57u << QStringLiteral("ν")
                                                 << int(AdultKey::PictureChoice);
        QTest::newRow("kana input, key N (み)") << int(Qt::Key_unknown) << 57u << QStringLiteral("み")
                                                << int(AdultKey::PictureChoice);
        QTest::newRow("Esc") << int(Qt::Key_Escape) << 9u << QString() << int(AdultKey::Quit);
        QTest::newRow("Esc without a scan code") << int(Qt::Key_Escape) << 0u << QString() << int(AdultKey::Quit);
        QTest::newRow("Russian layout, key J") << 0x041E /* О */ << 44u << QStringLiteral("о") << -1;
        QTest::newRow("a letter key, no scan code") << int(Qt::Key_A) << 0u << QStringLiteral("a") << -1;
        QTest::newRow("Dvorak, D at QWERTY's H") << int(Qt::Key_D) << 43u << QStringLiteral("d") << -1;
        QTest::newRow("Colemak, K at QWERTY's N") << int(Qt::Key_K) << 57u << QStringLiteral("k") << -1;
        QTest::newRow("Dvorak, H at QWERTY's J") << int(Qt::Key_H) << 44u << QStringLiteral("h") << int(AdultKey::Settings);
        QTest::newRow("AZERTY with Shift, D at H's place") << int(Qt::Key_D) << 43u << QStringLiteral("D") << -1;
        QTest::newRow("Latin letter beyond A-Z at H's place") << int(Qt::Key_unknown) << 43u << QStringLiteral("é") << -1;
    }
    void keysByPlaceOnAnyLayout()
    {
        QFETCH(int, key);
        QFETCH(quint32, scanCode);
        QFETCH(QString, text);
        QFETCH(int, expected);
        const QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, scanCode, 0, 0, text);
        const std::optional<AdultKey> got = adultKeyOf(e);
        QCOMPARE(got ? int(*got) : -1, expected);
    }

    void keyPressReachesTheEngine()
    {
        Rig rig({});
        QVERIFY(rig.showAndWaitForQuestion());
        QSignalSpy settings(rig.round.get(), &Round::settingsRequested);
        QKeyEvent russianH(QEvent::KeyPress, Qt::Key(0x0420), Qt::NoModifier, 43, 0, 0, QStringLiteral("р"));
        QApplication::sendEvent(rig.screen.get(), &russianH);
        QCOMPARE(settings.size(), 1);
    }

    void modelRowFrameIsDarkWhateverTheWordsColour_data()
    {
        QTest::addColumn<bool>("showModel");
        QTest::newRow("model shown") << true;
        QTest::newRow("model hidden") << false;
    }
    void modelRowFrameIsDarkWhateverTheWordsColour()
    {
        QFETCH(bool, showModel);
        Settings s;
        s.showModel = showModel;
        Rig rig(s);
        QVERIFY(rig.showAndWaitForQuestion());
        const QImage row = modelRowOf(*rig.screen)->grab().toImage();
        for (QPoint corner : {QPoint(0, 0), QPoint(row.width() - 1, row.height() - 1), QPoint(row.width() / 2, 0)})
            QVERIFY2(qGray(row.pixel(corner)) < 64, qPrintable(QStringLiteral("frame pixel %1,%2 is light")
                                                                   .arg(corner.x()).arg(corner.y())));
        // Inside: the word in light blue, or nothing but white when hidden.
        bool blue = false, onlyWhite = true;
        for (int y = 2; y < row.height() - 2; ++y)
            for (int x = 2; x < row.width() - 2; ++x) {
                const QColor c = row.pixelColor(x, y);
                blue = blue || (c.blue() > 200 && c.red() < 200);
                onlyWhite = onlyWhite && c == Qt::white;
            }
        QCOMPARE(blue, showModel);
        QCOMPARE(onlyWhite, !showModel);
    }

    void tilesAreVisiblyBold()
    {
        Rig rig({});
        QVERIFY(rig.showAndWaitForQuestion());
        TileLabel* tile = tileOf(*rig.screen, 0);
        QVERIFY(tile->font().bold());
        const int boldInk = inkOf(tile);
        QFont regular = tile->font();
        regular.setBold(false);
        tile->setFont(regular);
        const int regularInk = inkOf(tile);
        QVERIFY2(boldInk > regularInk * 115 / 100,
                 qPrintable(QStringLiteral("%1 is drawn no heavier in bold (%2 dark pixels against %3)")
                                .arg(QFontInfo(regular).family()).arg(boldInk).arg(regularInk)));
    }
};

QTEST_MAIN(TouchKeysLook)
#include "test_touch_keys_look.moc"
