// SPDX-License-Identifier: GPL-3.0-or-later
// The main screen on the real engine with fake sound and speech: that it draws the question
// where game/TileGeometry puts it on a 1024 x 768 screen of 15 twips a pixel, and that the
// pointer, the keys and the two timers reach the engine. The engine's own rules are tested
// in tests/game.
#include "fakes/ScreenParts.h"
#include "content/SettingsFile.h"
#include "fakes/StartedGame.h"
#include "fakes/TestFolder.h"
#include "game/TileGeometry.h"
#include "screens/PictureChoiceDialog.h"
#include "screens/SettingsDialog.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

using namespace mokuri;
using namespace mokuri::test;

Q_DECLARE_METATYPE(mokuri::Settings)

namespace {

Settings withDecoys(DecoyCount count)
{
    Settings s;
    s.decoyCount = count;
    return s;
}

void moveOver(QWidget* w)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

// Every picture of `pictures` in the data folder with `settings` in Word.txt; the game is
// built on it but not started.
struct Rig {
    TestFolder folder;
    std::unique_ptr<StartedGame> game;

    explicit Rig(const QStringList& pictures, const Settings& settings = {})
    {
        folder.addPictures(pictures);
        writeBytes(folder.data() + QStringLiteral("/Word.txt"), formatSettings(settings));
        game = startGame(folder.data(), traceFile());
    }
    QString traceFile() const { return folder.path() + QStringLiteral("/trace.txt"); }
    MainScreen& screen() { return *game->screen; }
    // Starts the round and lets the instruction end: the tiles take touches.
    void startAndListen()
    {
        game->round->start();
        QVERIFY(game->round->speaking());
        game->speech.finishSpeaking();
        QVERIFY(!game->round->speaking());
    }
    // A click on the tile once the sound before has ended.
    void click(int tile)
    {
        game->sound.finish();
        QTest::mouseClick(tileOf(screen(), tile), Qt::LeftButton);
        game->settle();
    }
};

} // namespace

class MainScreenTest : public QObject {
    Q_OBJECT

private slots:
    void controlsBeforeTheFirstQuestion()
    {
        Rig rig({QStringLiteral("いぬ.bmp")});
        QVERIFY(rig.game);
        MainScreen& f = rig.screen();
        QVERIFY(f.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(f.palette().color(QPalette::Window), QColor(0, 128, 128));
        QVERIFY(f.font().bold());
        QCOMPARE(modelRowOf(f)->text(), QStringLiteral("Label1"));
        QCOMPARE(modelRowOf(f)->palette().color(QPalette::Window), QColor(255, 255, 255));
        QCOMPARE(modelRowOf(f)->palette().color(QPalette::WindowText), QColor(128, 128, 255));
        QCOMPARE(wrongMarkOf(f)->text(), QStringLiteral("×"));
        QCOMPARE(rightMarkOf(f)->text(), QStringLiteral("○"));
        QCOMPARE(wrongMarkOf(f)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(rightMarkOf(f)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(!wrongMarkOf(f)->isVisibleTo(&f));
        QVERIFY(!rightMarkOf(f)->isVisibleTo(&f));
        for (int i = 0; i < kMaxTiles; ++i) {
            QCOMPARE(tileOf(f, i)->text(), QStringLiteral("Label2"));
            QCOMPARE(tileOf(f, i)->left(), float(120 + 600 * i));
            QCOMPARE(tileOf(f, i)->top(), 3960.f);
        }
        QCOMPARE(retryTimerOf(f.round()).interval(), 500);
        QCOMPARE(nextQuestionTimerOf(f.round()).interval(), 1000);
        QVERIFY(!retryTimerOf(f.round()).isActive());
        QVERIFY(!nextQuestionTimerOf(f.round()).isActive());

        // Stacking, bottom first: the picture, the model row, tile 0, the right mark, tiles
        // 1 to 9, the wrong mark, and above all the scan's highlight and the dwell's fill.
        QList<QWidget*> order;
        for (QObject* o : f.children())
            if (auto* w = qobject_cast<QWidget*>(o)) order << w;
        QList<QWidget*> expected = {pictureOf(f), modelRowOf(f), tileOf(f, 0), rightMarkOf(f)};
        for (int i = 1; i < kMaxTiles; ++i) expected << tileOf(f, i);
        expected << wrongMarkOf(f) << f.findChild<QWidget*>(QStringLiteral("HighlightFrame"))
                 << f.findChild<QWidget*>(QStringLiteral("DwellFill"));
        QCOMPARE(order, expected);
    }

    void rightMarkFollowsTheScreen_data()
    {
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QList<float>>("expected");  // font, top, left, width, height
        QTest::newRow("1024x768") << QSize(1024, 768) << QList<float>{307, 2649, 4608, 7680, 5760};
        QTest::newRow("800x600") << QSize(800, 600) << QList<float>{240, 2070, 3600, 6000, 4500};
    }
    void rightMarkFollowsTheScreen()
    {
        QFETCH(QSize, pixels);
        QFETCH(QList<float>, expected);
        Rig rig({QStringLiteral("いぬ.bmp")});
        MainScreen& f = rig.screen();
        f.fitToScreen(pixels);
        QCOMPARE(f.widthTwips(), float(pixels.width() * 15));
        QCOMPARE(f.heightTwips(), float(pixels.height() * 15));
        QCOMPARE(f.size(), pixels);
        QCOMPARE(float(rightMarkOf(f)->fontSize()), expected[0]);
        QCOMPARE(rightMarkOf(f)->top(), expected[1]);
        QCOMPARE(rightMarkOf(f)->left(), expected[2]);
        QCOMPARE(rightMarkOf(f)->widthTwips(), expected[3]);
        QCOMPARE(rightMarkOf(f)->heightTwips(), expected[4]);
    }

    void questionLaidOutInTwips_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<int>("tileSize");
        QTest::addColumn<float>("rowTop");
        QTest::addColumn<float>("rowLeft");
        QTest::addColumn<float>("tileTopExpected");
        QTest::addColumn<int>("font");
        QTest::newRow("two letters, six places") << QStringLiteral("いぬ.bmp") << Settings{} << 2194 << 343.f << 5486.f
                                                 << 8983.f << 107;
        QTest::newRow("eight letters") << QStringLiteral("あいうえおかきく.bmp") << Settings{} << 1706 << 587.f << 856.f
                                       << 9227.f << 83;
        // Twelve letters keep ten, and the wanted decoys do not survive the cut.
        QTest::newRow("ten of twelve letters") << QStringLiteral("あいうえおかきくけこさし.bmp")
                                               << withDecoys(DecoyCount::Two) << 1396 << 742.f << 700.f << 9382.f << 68;
    }
    void questionLaidOutInTwips()
    {
        QFETCH(QString, picture);
        QFETCH(Settings, settings);
        QFETCH(int, tileSize);
        QFETCH(float, rowTop);
        QFETCH(float, rowLeft);
        QFETCH(float, tileTopExpected);
        QFETCH(int, font);
        Rig rig({picture}, settings);
        MainScreen& f = rig.screen();
        rig.game->round->start();
        const Question& q = rig.game->question();

        QCOMPARE(modelRowOf(f)->top(), rowTop);
        QCOMPARE(modelRowOf(f)->left(), rowLeft);
        QCOMPARE(modelRowOf(f)->fontSize(), font);
        QCOMPARE(modelRowOf(f)->text(), q.word);
        QVERIFY(modelRowOf(f)->isVisibleTo(&f));
        QSet<float> lefts;
        for (int i = 0; i < kMaxTiles; ++i) {
            TileLabel* t = tileOf(f, i);
            if (i >= q.tileCount()) {
                QVERIFY2(!t->isVisibleTo(&f), "a tile of no letter is hidden");
                continue;
            }
            QVERIFY(t->isVisibleTo(&f));
            QCOMPARE(t->text(), q.tileLetter(i));
            QCOMPARE(t->widthTwips(), float(tileSize));
            QCOMPARE(t->heightTwips(), float(tileSize));
            QCOMPARE(t->top(), tileTopExpected);
            QCOMPARE(t->fontSize(), font);
            QCOMPARE(t->left(), tileLeft(q.tileSlots[size_t(i)], int16_t(tileSize), q.lastSlot));
            lefts << t->left();
        }
        QCOMPARE(lefts.size(), q.tileCount());  // no two tiles on one place

        // The picture fills the middle half, decoded at the pixels it covers.
        QCOMPARE(pictureOf(f)->top(), 2880.f);
        QCOMPARE(pictureOf(f)->left(), 3840.f);
        QCOMPARE(pictureOf(f)->widthTwips(), 7680.f);
        QCOMPARE(pictureOf(f)->heightTwips(), 5760.f);
        QVERIFY(pictureOf(f)->isVisibleTo(&f));
        // Decoded off the window's thread and put in when it comes.
        QTRY_COMPARE_WITH_TIMEOUT(pictureOf(f)->pixmap().size(), QSize(512, 384), 60000);
    }

    // A projector plugged in mid-question: the question on screen is laid out again for the
    // new size as a question drawn there from the start, its placed tile and mark kept.
    void aNewScreenSizeLaysTheQuestionOutAgain_data()
    {
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("smaller") << QSize(800, 600);
        QTest::newRow("larger and wider") << QSize(1920, 1080);
    }
    void aNewScreenSizeLaysTheQuestionOutAgain()
    {
        QFETCH(QSize, pixels);
        Rig rig({QStringLiteral("とけい.bmp")}, withDecoys(DecoyCount::Two));
        MainScreen& f = rig.screen();
        rig.startAndListen();
        const Question& q = rig.game->question();
        rig.click(0);
        rig.click(3);
        QResizeEvent resized(pixels, f.size());  // as the window system resizes a full-screen window
        f.resize(pixels);
        QCoreApplication::sendEvent(&f, &resized);
        const float W = f.widthTwips(), H = f.heightTwips();
        const int16_t size = tileSizeFor(W, q.lastSlot);
        QCOMPARE(H, float(pixels.height() * 15));
        QCOMPARE(q.nextLetter, 1);
        QCOMPARE(modelRowOf(f)->top(), modelRowRect(W, H, q.wordLength(), size).top);
        QCOMPARE(tileOf(f, 0)->left(), placedTileLeft(0, size, modelRowOf(f)->left()));
        QCOMPARE(tileOf(f, 0)->top(), modelRowOf(f)->top());
        for (int i = 1; i < q.tileCount(); ++i) {
            QCOMPARE(tileOf(f, i)->top(), tileTop(H, modelRowOf(f)->top()));
            QCOMPARE(tileOf(f, i)->left(), tileLeft(q.tileSlots[size_t(i)], size, q.lastSlot));
        }
        QVERIFY(wrongMarkOf(f)->isVisibleTo(&f) && wrongMarkOf(f)->left() == tileOf(f, 3)->left());
        QCOMPARE(pictureOf(f)->widthTwips(), imageRect(W, H).width);
    }

    void placedTileWrongMarkRetryAndRightMark()
    {
        Rig rig({QStringLiteral("とけい.bmp")}, withDecoys(DecoyCount::Two));
        MainScreen& f = rig.screen();
        Round& round = *rig.game->round;
        // Zero intervals: the timers still go through the event loop, but no test waits for time.
        retryTimerOf(f.round()).setInterval(0);
        nextQuestionTimerOf(f.round()).setInterval(0);
        rig.startAndListen();
        const Question& q = rig.game->question();
        QCOMPARE(q.tileCount(), 5);
        const float row = modelRowOf(f)->top();
        const float tileRow = tileOf(f, 0)->top();

        rig.click(0);
        QCOMPARE(q.nextLetter, 1);
        QCOMPARE(tileOf(f, 0)->top(), row);
        QCOMPARE(tileOf(f, 0)->left(), modelRowOf(f)->left());

        // The tiles after the word carry the decoys.
        const float decoyLeft = tileOf(f, 3)->left();
        rig.click(3);
        QCOMPARE(q.wrongTile, 3);
        QVERIFY(wrongMarkOf(f)->isVisibleTo(&f));
        QCOMPARE(wrongMarkOf(f)->left(), decoyLeft);
        QCOMPARE(wrongMarkOf(f)->top(), f.heightTwips() * 3 / 4 + row);
        QCOMPARE(wrongMarkOf(f)->top(), 8983.f);
        QCOMPARE(wrongMarkOf(f)->widthTwips(), 2194.f);
        QCOMPARE(wrongMarkOf(f)->heightTwips(), 2194.f);
        QCOMPARE(wrongMarkOf(f)->fontSize(), 2194 / 19);
        QVERIFY(retryTimerOf(f.round()).isActive());

        // The retry timer's tick sets the same picture up again once the buzzer has ended.
        QSignalSpy ready(&round, &Round::questionReady);
        rig.game->sound.finish();
        QVERIFY(ready.wait(60000));
        QVERIFY(!retryTimerOf(f.round()).isActive());
        QVERIFY(!wrongMarkOf(f)->isVisibleTo(&f));
        QCOMPARE(q.word, QStringLiteral("とけい"));
        for (int i = 0; i < q.tileCount(); ++i) QCOMPARE(tileOf(f, i)->top(), tileRow);

        rig.game->speech.finishSpeaking();
        for (QChar c : QStringLiteral("とけい")) {
            const int tile = freeTileWith(q, QString(c));
            rig.click(tile);
            QCOMPARE(tileOf(f, tile)->top(), row);
            QCOMPARE(tileOf(f, tile)->left(), placedTileLeft(q.placedAt[size_t(tile)], 2194, modelRowOf(f)->left()));
        }
        QVERIFY(q.wordDone);
        QVERIFY(rightMarkOf(f)->isVisibleTo(&f));
        QVERIFY(nextQuestionTimerOf(f.round()).isActive());

        // The next question comes by the timer's tick once the praise has been spoken.
        ready.clear();
        rig.game->speech.finishSpeaking();
        QVERIFY(ready.size() == 1 || ready.wait(60000));
        QVERIFY(!nextQuestionTimerOf(f.round()).isActive());
        QVERIFY(!rightMarkOf(f)->isVisibleTo(&f));
        for (int i = 0; i < q.tileCount(); ++i) QCOMPARE(tileOf(f, i)->top(), tileRow);
    }

    void pointerFollowsTheSetting_data()
    {
        QTest::addColumn<bool>("showPointer");
        QTest::addColumn<bool>("iconThere");
        QTest::addColumn<int>("shape");
        QTest::newRow("shown") << true << false << int(Qt::ArrowCursor);
        QTest::newRow("hidden with Clear.ico") << false << true << int(Qt::BitmapCursor);
        // Hidden is what the adult asked for, icon or not.
        QTest::newRow("hidden without Clear.ico") << false << false << int(Qt::BlankCursor);
    }
    void pointerFollowsTheSetting()
    {
        QFETCH(bool, showPointer);
        QFETCH(bool, iconThere);
        QFETCH(int, shape);
        Settings s;
        s.showPointer = showPointer;
        Rig rig({QStringLiteral("いぬ.bmp")}, s);
        if (iconThere) {
            QImage clear(32, 32, QImage::Format_ARGB32);
            clear.fill(Qt::transparent);
            QVERIFY(clear.save(QStringLiteral("Clear.ico"), "ICO"));  // the current folder
        }
        rig.game->round->start();
        // The icon is read off the window's thread and put in when it comes.
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.screen().cursor().shape()), shape, 60000);
        QTRY_COMPARE_WITH_TIMEOUT(traceEvents(rig.traceFile()).contains(QStringLiteral("missing\tClear.ico")),
                                  !showPointer && !iconThere, 60000);
    }

    void modelRowHiddenIsWhiteOnWhiteInItsPlace_data()
    {
        QTest::addColumn<bool>("showModel");
        QTest::addColumn<QColor>("letters");
        QTest::newRow("shown") << true << QColor(128, 128, 255);
        QTest::newRow("hidden") << false << QColor(255, 255, 255);
    }
    void modelRowHiddenIsWhiteOnWhiteInItsPlace()
    {
        QFETCH(bool, showModel);
        QFETCH(QColor, letters);
        Settings s;
        s.showModel = showModel;
        Rig rig({QStringLiteral("いぬ.bmp")}, s);
        rig.game->round->start();
        TwipLabel* row = modelRowOf(rig.screen());
        QVERIFY(row->isVisibleTo(&rig.screen()));
        QCOMPARE(row->text(), QStringLiteral("いぬ"));
        QCOMPARE(row->palette().color(QPalette::Window), QColor(255, 255, 255));
        QCOMPARE(row->palette().color(QPalette::WindowText), letters);
        QCOMPARE(row->top(), 343.f);
        QCOMPARE(row->left(), 5486.f);
    }

    void pictureThatCannotBeShownStillAsks_data()
    {
        QTest::addColumn<QByteArray>("replacement");  // empty: the file is removed
        QTest::newRow("removed after start-up") << QByteArray();
        QTest::newRow("not a picture") << QByteArray("not a picture");
    }
    void pictureThatCannotBeShownStillAsks()
    {
        QFETCH(QByteArray, replacement);
        Rig rig({QStringLiteral("いぬ.bmp")});
        const QString file = rig.folder.data() + QStringLiteral("/いぬ.bmp");
        QVERIFY(QFile::remove(file));
        if (!replacement.isEmpty()) writeBytes(file, replacement);
        rig.game->round->start();
        MainScreen& f = rig.screen();
        QVERIFY(pictureOf(f)->pixmap().isNull());
        QVERIFY(tileOf(f, 0)->isVisibleTo(&f));
        QVERIFY(modelRowOf(f)->isVisibleTo(&f));
        QVERIFY(rig.game->round->speaking());
        // Found off the window's thread and said when the decode comes back.
        QTRY_VERIFY_WITH_TIMEOUT(traceEvents(rig.traceFile()).contains(QStringLiteral("missing\tいぬ.bmp")), 60000);
    }

    void pointerOnATileReachesTheEngine_data()
    {
        QTest::addColumn<TakeTile>("setting");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("taken");
        QTest::newRow("click mode, click") << TakeTile::ByClick << QStringLiteral("click") << true;
        QTest::newRow("click mode, pointer moves over") << TakeTile::ByClick << QStringLiteral("move") << false;
        QTest::newRow("click mode, press here, release elsewhere") << TakeTile::ByClick << QStringLiteral("drag off") << false;
        QTest::newRow("touch mode, pointer moves over") << TakeTile::ByTouch << QStringLiteral("move") << true;
        QTest::newRow("touch mode, click") << TakeTile::ByTouch << QStringLiteral("click") << false;
    }
    void pointerOnATileReachesTheEngine()
    {
        QFETCH(TakeTile, setting);
        QFETCH(QString, action);
        QFETCH(bool, taken);
        Settings s;
        s.takeTile = setting;
        Rig rig({QStringLiteral("いぬ.bmp")}, s);
        rig.startAndListen();
        const Question& q = rig.game->question();
        const int tile = freeTileWith(q, QStringLiteral("い"));
        TileLabel* t = tileOf(rig.screen(), tile);
        QCOMPARE(t->index(), tile);
        if (action == QLatin1String("click")) {
            QTest::mouseClick(t, Qt::LeftButton);
        } else if (action == QLatin1String("move")) {
            moveOver(t);
        } else {
            QTest::mousePress(t, Qt::LeftButton, {}, QPoint(3, 3));
            QTest::mouseRelease(t, Qt::LeftButton, {}, QPoint(-20, -20));
        }
        rig.game->settle();
        QCOMPARE(q.nextLetter, taken ? 1 : 0);
        QCOMPARE(rig.game->sound.played,
                 taken ? QStringList({QStringLiteral("い.wav"), QStringLiteral("ガチャ.wav")}) : QStringList());
    }

    void keysReachTheEngine_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("code");     // in the trace; empty: no key line
        QTest::addColumn<QString>("outcome");  // quit, settings, pictures or nothing
        const int none = Qt::NoModifier;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << none << QStringLiteral("27") << QStringLiteral("quit");
        QTest::newRow("H") << int(Qt::Key_H) << none << QStringLiteral("72") << QStringLiteral("settings");
        QTest::newRow("Shift+H") << int(Qt::Key_H) << int(Qt::ShiftModifier) << QStringLiteral("72")
                                 << QStringLiteral("settings");
        QTest::newRow("N") << int(Qt::Key_N) << none << QStringLiteral("78") << QStringLiteral("pictures");
        QTest::newRow("Ctrl+Shift+N") << int(Qt::Key_N) << int(Qt::ShiftModifier | Qt::ControlModifier)
                                      << QStringLiteral("78") << QStringLiteral("pictures");
        for (Qt::Key k : {Qt::Key_Return, Qt::Key_Left, Qt::Key_Space, Qt::Key_A, Qt::Key_F1})
            QTest::addRow("key %x", int(k)) << int(k) << none << QString() << QStringLiteral("nothing");
    }
    void keysReachTheEngine()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, code);
        QFETCH(QString, outcome);
        Rig rig({QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"), QStringLiteral("とり.bmp"), QStringLiteral("うし.bmp")});
        rig.startAndListen();
        Round& round = *rig.game->round;
        QSignalSpy quit(&round, &Round::quitRequested);
        const int speechStops = rig.game->speech.stops;
        QTest::keyClick(&rig.screen(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QStringList keyLines = traceEvents(rig.traceFile()).filter(QRegularExpression(QStringLiteral("^key\t")));
        QCOMPARE(keyLines, code.isEmpty() ? QStringList() : QStringList({QStringLiteral("key\t") + code}));
        QCOMPARE(rig.game->speech.stops, speechStops + (code.isEmpty() ? 0 : 1));
        QCOMPARE(quit.size(), outcome == QLatin1String("quit") ? 1 : 0);
        QCOMPARE(settingsDialog() != nullptr, outcome == QLatin1String("settings"));
        QCOMPARE(pictureChoiceDialog() != nullptr, outcome == QLatin1String("pictures"));
        if (settingsDialog()) QVERIFY(settingsDialog()->isVisible());
        if (pictureChoiceDialog()) QVERIFY(pictureChoiceDialog()->isVisible());
    }

    // Alt+F4 or a panel's close ends the program as Esc does, even with a dialog open.
    void closedByTheWindowManagerEndsAsEscDoes()
    {
        Rig rig({QStringLiteral("いぬ.bmp")});
        rig.game->round->start();
        rig.game->round->onAdultKey(AdultKey::Settings);
        QVERIFY(settingsDialog());
        QSignalSpy quit(rig.game->round.get(), &Round::quitRequested);
        const int speechStops = rig.game->speech.stops;
        QVERIFY(rig.screen().close());
        QCOMPARE(quit.size(), 1);
        QCOMPARE(rig.game->speech.stops, speechStops + 1);
        QCOMPARE(traceEvents(rig.traceFile()).filter(QStringLiteral("key\t")).last(), QStringLiteral("key\t27"));
    }
};

QTEST_MAIN(MainScreenTest)
#include "test_main_screen.moc"
