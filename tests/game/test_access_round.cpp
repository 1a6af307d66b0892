// SPDX-License-Identifier: GPL-3.0-or-later
// Switch scanning and dwell driving the engine, on fake sound and speech and a fixed seed;
// the scan, hold, ignore-repeat and dwell timers are ticked by the test, never by a clock.
#include "fakes/FakeSound.h"
#include "fakes/FakeSpeech.h"
#include "game/Letters.h"
#include "game/Round.h"

#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>
#include <memory>

using namespace mokuri;
using namespace mokuri::test;

namespace {

const QStringList kPictures{QStringLiteral("りんご.bmp"), QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"),
                            QStringLiteral("とり.bmp")};

struct Rig {
    FakeSound sound;
    FakeSpeech speech;
    Random random{2024u};
    QTemporaryFile traceFile;
    std::unique_ptr<Trace> trace;
    std::unique_ptr<Round> round;

    explicit Rig(const AccessSettings& access, Settings settings = {})
    {
        traceFile.open();
        trace = std::make_unique<Trace>(traceFile.fileName());
        round = std::make_unique<Round>(PictureFolder{QStringLiteral("data"), kPictures}, kPictures, settings,
                                        QStringList{QStringLiteral("よくできました")}, sound, speech, random, *trace);
        round->setAccess(access);
        round->start();
    }
    const Question& q() const { return round->question(); }
    QTimer& timer(const char* name) const { return *round->findChild<QTimer*>(QString::fromLatin1(name)); }
    // The timer's time is up: its timeout, as the event loop would deliver it.
    void fire(const char* name)
    {
        QTimer& t = timer(name);
        QVERIFY2(t.isActive(), name);
        QMetaObject::invokeMethod(&t, "timeout");
    }
    void endInstruction() { speech.finishSpeaking(); }
    // Every sound the engine waits for is heard to its end.
    void settle()
    {
        for (int n = 0; n < 8 && sound.isPlaying() &&
                        (round->phase() == Round::Phase::LetterSounding || round->phase() == Round::Phase::WordDone);
             ++n)
            sound.finish();
    }
    void press(int which = 1)
    {
        round->onSwitchPressed(which, false);
        round->onSwitchReleased(which);
        settle();
    }
    QString highlightedLetter() const
    {
        const int t = round->highlightedTile();
        return t < 0 ? QString() : q().tileLetter(t);
    }
    QString nextLetter() const { return q().tileLetter(q().nextLetter); }
    // The tiles' order from left to right, as the scan goes.
    std::vector<int> rowOrder() const
    {
        std::vector<int> order;
        for (int i = 0; i < q().tileCount(); ++i) order.push_back(i);
        std::sort(order.begin(), order.end(), [this](int a, int b) { return q().tileSlots[size_t(a)] < q().tileSlots[size_t(b)]; });
        return order;
    }
    // Trace events of one kind, without the time and the event's name.
    QStringList traced(const QString& event) const
    {
        QFile f(traceFile.fileName());
        f.open(QIODevice::ReadOnly);
        QStringList out;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QStringList fields = QString::fromUtf8(line).split(u'\t');
            if (fields.size() > 1 && fields[1] == event) out << fields.mid(2).join(u' ');
        }
        return out;
    }
};

AccessSettings switches(AccessMethod method, ScanStart start = ScanStart::AtOnce)
{
    AccessSettings a;
    a.method = method;
    a.scanStart = start;
    return a;
}

} // namespace

class AccessRound : public QObject {
    Q_OBJECT

private slots:
    void oneSwitchBuildsTheWord_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("auditory");
        QTest::newRow("at once") << int(ScanStart::AtOnce) << false;
        QTest::newRow("pause on the first tile") << int(ScanStart::PauseOnFirst) << false;
        QTest::newRow("start on a press") << int(ScanStart::OnPress) << false;
        QTest::newRow("auditory scanning") << int(ScanStart::AtOnce) << true;
    }
    void oneSwitchBuildsTheWord()
    {
        QFETCH(int, start);
        QFETCH(bool, auditory);
        AccessSettings a = switches(AccessMethod::OneSwitch, ScanStart(start));
        a.auditoryScan = auditory;
        Rig rig(a);
        QSignalSpy done(rig.round.get(), &Round::wordDone);
        QCOMPARE(rig.round->highlightedTile(), -1);  // nothing highlighted while the instruction is spoken
        rig.endInstruction();
        QCOMPARE(rig.round->highlightedTile(), rig.rowOrder().front());
        QCOMPARE(rig.timer("ScanTimer").isActive(), ScanStart(start) != ScanStart::OnPress);
        if (ScanStart(start) == ScanStart::PauseOnFirst) QCOMPARE(rig.timer("ScanTimer").interval(), 2 * a.scanIntervalMs);
        if (ScanStart(start) == ScanStart::OnPress) {
            rig.press();
            QCOMPARE(rig.q().nextLetter, 0);  // the press set the scan going, it took nothing
            QVERIFY(rig.timer("ScanTimer").isActive());
        }
        const QString word = rig.q().word;
        for (int k = 0; k < word.size(); ++k) {
            if (ScanStart(start) == ScanStart::OnPress && k > 0) rig.press();
            for (int n = 0; n < 12 && rig.highlightedLetter() != rig.nextLetter(); ++n) {
                rig.fire("ScanTimer");
                QCOMPARE(rig.timer("ScanTimer").interval(), a.scanIntervalMs * (ScanStart(start) == ScanStart::PauseOnFirst && rig.round->highlightedTile() == rig.rowOrder().front() ? 2 : 1));
                if (auditory) QCOMPARE(rig.sound.played.last(), letterSoundFile(rig.highlightedLetter()));
            }
            rig.press();
            QCOMPARE(rig.q().nextLetter, k + 1);
        }
        QCOMPARE(done.size(), 1);
        QVERIFY(!rig.timer("ScanTimer").isActive());
        QCOMPARE(rig.round->highlightedTile(), -1);
    }

    void twoSwitchesBuildTheWord()
    {
        Rig rig(switches(AccessMethod::TwoSwitches));
        QSignalSpy done(rig.round.get(), &Round::wordDone);
        rig.endInstruction();
        const QString word = rig.q().word;
        for (int k = 0; k < word.size(); ++k) {
            for (int n = 0; n < 12 && rig.highlightedLetter() != rig.nextLetter(); ++n) rig.press(1);
            QCOMPARE(rig.q().nextLetter, k);  // switch 1 only moves
            rig.press(2);
            QCOMPARE(rig.q().nextLetter, k + 1);
            QVERIFY(!rig.timer("ScanTimer").isActive());  // the child sets the pace
        }
        QCOMPARE(done.size(), 1);
    }

    // A script of switch events against the trace's verdicts on the presses.
    // d1/u1: switch 1 down/up; r1: its key's auto-repeat; h: the hold time is up;
    // g: the ignore-repeat time is up; t: the scan moves on; i: the instruction ends.
    void filters_data()
    {
        QTest::addColumn<int>("holdMs");
        QTest::addColumn<int>("ignoreMs");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("verdicts");
        QTest::addColumn<int>("taken");
        const QString take = QStringLiteral("1 accepted take");
        QTest::newRow("press during the instruction") << 0 << 0 << QStringLiteral("d1 u1 i d1 u1")
                                                      << QStringList{QStringLiteral("1 ignored instruction"), take} << 1;
        QTest::newRow("auto-repeat never counts") << 0 << 0 << QStringLiteral("i d1 r1 r1 u1")
            << QStringList{take, QStringLiteral("1 ignored repeat"), QStringLiteral("1 ignored repeat")} << 1;
        QTest::newRow("a second down without an up") << 0 << 0 << QStringLiteral("i d1 d1")
                                                       << QStringList{take, QStringLiteral("1 ignored repeat")} << 1;
        QTest::newRow("too short for the hold time") << 300 << 0 << QStringLiteral("i d1 u1")
                                                      << QStringList{QStringLiteral("1 ignored too-short")} << 0;
        QTest::newRow("held long enough") << 300 << 0 << QStringLiteral("i d1 h u1") << QStringList{take} << 1;
        QTest::newRow("too soon after a press") << 0 << 500 << QStringLiteral("i d1 u1 d1 u1 g d1 u1")
            << QStringList{take, QStringLiteral("1 ignored too-soon"), take} << 2;
        QTest::newRow("held, but too soon") << 200 << 500 << QStringLiteral("i d1 h u1 d1 h u1")
                                            << QStringList{take, QStringLiteral("1 ignored too-soon")} << 1;
    }
    void filters()
    {
        QFETCH(int, holdMs);
        QFETCH(int, ignoreMs);
        QFETCH(QString, script);
        QFETCH(QStringList, verdicts);
        QFETCH(int, taken);
        AccessSettings a = switches(AccessMethod::OneSwitch);
        a.holdMs = holdMs;
        a.ignoreRepeatMs = ignoreMs;
        Rig rig(a);
        QSignalSpy placed(rig.round.get(), &Round::tilePlaced);
        QSignalSpy wrong(rig.round.get(), &Round::wrongTile);
        for (const QString& step : script.split(u' ')) {
            if (step == u"i") rig.endInstruction();
            else if (step == u"h") rig.fire("HoldTimer");
            else if (step == u"g") rig.timer("RepeatTimer").stop();  // as good as run out
            else if (step == u"d1") rig.round->onSwitchPressed(1, false);
            else if (step == u"r1") rig.round->onSwitchPressed(1, true);
            else if (step == u"u1") rig.round->onSwitchReleased(1);
            rig.settle();
            // A wrong tile is asked again: the next press is for the new instruction.
            if (rig.round->phase() == Round::Phase::Wrong) {
                rig.sound.finish();
                rig.round->onRetryTimer();
                rig.endInstruction();
            }
        }
        QCOMPARE(rig.traced(QStringLiteral("press")), verdicts);
        QCOMPARE(int(placed.size() + wrong.size()), taken);
        if (holdMs == 0 && ignoreMs == 0) QVERIFY(!rig.timer("HoldTimer").isActive() && !rig.timer("RepeatTimer").isActive());
    }

    // The tile a press takes is the one highlighted when the switch went down.
    void pressAtAHighlightChange_data()
    {
        QTest::addColumn<int>("holdMs");
        QTest::addColumn<bool>("downBeforeTheMove");
        QTest::addColumn<int>("takenAt");  // place in the row
        QTest::newRow("down just before the move") << 0 << true << 0;
        QTest::newRow("down just after the move") << 0 << false << 1;
        QTest::newRow("held across the move") << 250 << true << 0;
        QTest::newRow("held, down after the move") << 250 << false << 1;
    }
    void pressAtAHighlightChange()
    {
        QFETCH(int, holdMs);
        QFETCH(bool, downBeforeTheMove);
        QFETCH(int, takenAt);
        AccessSettings a = switches(AccessMethod::OneSwitch);
        a.holdMs = holdMs;
        Rig rig(a);
        rig.endInstruction();
        QSignalSpy placed(rig.round.get(), &Round::tilePlaced);
        QSignalSpy wrong(rig.round.get(), &Round::wrongTile);
        QSignalSpy moved(rig.round.get(), &Round::highlightMoved);
        if (!downBeforeTheMove) rig.fire("ScanTimer");
        rig.round->onSwitchPressed(1, false);
        if (downBeforeTheMove && rig.timer("ScanTimer").isActive()) rig.fire("ScanTimer");
        if (holdMs > 0) rig.fire("HoldTimer");
        const int tile = rig.rowOrder()[size_t(takenAt)];
        QCOMPARE(rig.sound.played.last(), letterSoundFile(rig.q().tileLetter(tile)));
        QCOMPARE(rig.round->phase(), Round::Phase::LetterSounding);
        QCOMPARE(rig.round->highlightedTile(), -1);  // no highlight while the letter sounds
        rig.settle();
        QCOMPARE(placed.size() + wrong.size(), 1);
        QCOMPARE((placed.isEmpty() ? wrong.first() : placed.first()).first().toInt(), tile);
        QVERIFY(moved.size() >= 2);
    }

    void wrongTileBySwitchAskesAgain()
    {
        Rig rig(switches(AccessMethod::TwoSwitches));
        rig.endInstruction();
        const QString first = rig.nextLetter();
        while (rig.highlightedLetter() == first) rig.press(1);
        const int wrongTile = rig.round->highlightedTile();
        QSignalSpy wrong(rig.round.get(), &Round::wrongTile);
        rig.press(2);
        QCOMPARE(wrong.size(), 1);
        QCOMPARE(wrong.first().first().toInt(), wrongTile);
        QCOMPARE(rig.round->highlightedTile(), -1);
        rig.press(2);  // during the buzzer: nothing
        QCOMPARE(rig.traced(QStringLiteral("press")).last(), QStringLiteral("2 ignored busy"));
        rig.sound.finish();
        rig.round->onRetryTimer();
        QCOMPARE(rig.round->phase(), Round::Phase::Instruction);
        QCOMPARE(rig.round->highlightedTile(), -1);
        rig.endInstruction();
        QCOMPARE(rig.round->highlightedTile(), rig.rowOrder().front());
        while (rig.highlightedLetter() != first) rig.press(1);
        rig.press(2);
        QCOMPARE(rig.q().nextLetter, 1);
    }

    void scanRestsAfterItsRounds_data()
    {
        QTest::addColumn<int>("rounds");
        QTest::newRow("one round") << 1;
        QTest::newRow("three rounds") << 3;
    }
    void scanRestsAfterItsRounds()
    {
        QFETCH(int, rounds);
        AccessSettings a = switches(AccessMethod::OneSwitch);
        a.scanRounds = rounds;
        Rig rig(a);
        rig.endInstruction();
        const int tiles = rig.q().tileCount();
        for (int n = 0; n < rounds * tiles - 1; ++n) rig.fire("ScanTimer");
        QCOMPARE(rig.round->highlightedTile(), rig.rowOrder().back());
        rig.fire("ScanTimer");
        QCOMPARE(rig.round->highlightedTile(), -1);
        QVERIFY(!rig.timer("ScanTimer").isActive());
        QCOMPARE(rig.traced(QStringLiteral("scan-rest")), QStringList{QString::number(rounds)});
        // The next press sets it going again from the first tile, and takes nothing.
        rig.press();
        QCOMPARE(rig.q().nextLetter, 0);
        QVERIFY(rig.sound.played.isEmpty());
        QCOMPARE(rig.round->highlightedTile(), rig.rowOrder().front());
        QVERIFY(rig.timer("ScanTimer").isActive());
        QCOMPARE(rig.traced(QStringLiteral("press")), QStringList{QStringLiteral("1 accepted start")});
    }

    void pointerTakesNothingWithSwitches()
    {
        Settings touch;
        touch.takeTile = TakeTile::ByTouch;
        Rig rig(switches(AccessMethod::OneSwitch), touch);
        rig.endInstruction();
        rig.round->onTileTouched(rig.q().tileCount() - 1);
        rig.round->onTileClicked(rig.q().tileCount() - 1);
        QVERIFY(rig.sound.played.isEmpty());
    }

    // Dwell: e<n> the pointer enters tile n; l<n> leaves it; s<k> k ticks of the dwell timer.
    void dwell_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("takenTile");  // -1: none
        QTest::addColumn<double>("fillAtEnd");
        QTest::newRow("resting the whole time takes") << QStringLiteral("e0 s10") << 0 << 0.0;
        QTest::newRow("passing over takes nothing") << QStringLiteral("e0 s3 e1 s4 e0 s9") << -1 << 0.9;
        QTest::newRow("leaving resets") << QStringLiteral("e1 s6 l1 e1 s6") << -1 << 0.6;
        QTest::newRow("moving within a tile keeps its fill") << QStringLiteral("e1 s5 e1 s5") << 1 << 0.0;
        QTest::newRow("rested during the instruction, filled after") << QStringLiteral("E1 i s10") << 1 << 0.0;
    }
    void dwell()
    {
        QFETCH(QString, script);
        QFETCH(int, takenTile);
        QFETCH(double, fillAtEnd);
        Settings touch;
        touch.takeTile = TakeTile::ByTouch;
        AccessSettings a;
        a.dwellMs = 1000;
        Rig rig(a, touch);
        if (!script.startsWith(u'E')) rig.endInstruction();
        QSignalSpy filled(rig.round.get(), &Round::dwellFilled);
        for (const QString& step : script.split(u' ')) {
            const int n = step.mid(1).toInt();
            if (step[0] == u'e' || step[0] == u'E') rig.round->onTileTouched(n);
            else if (step[0] == u'l') rig.round->onTileLeft(n);
            else if (step[0] == u'i') rig.endInstruction();
            else
                for (int k = 0; k < n; ++k) rig.fire("DwellTimer");
        }
        if (takenTile < 0) {
            QVERIFY(rig.sound.played.isEmpty());
            QVERIFY(rig.traced(QStringLiteral("dwell")).isEmpty());
        } else {
            QCOMPARE(rig.sound.played, QStringList{letterSoundFile(rig.q().tileLetter(takenTile))});
            QCOMPARE(rig.traced(QStringLiteral("dwell")), QStringList{QString::number(takenTile)});
            QVERIFY(!rig.timer("DwellTimer").isActive());
        }
        QVERIFY(!filled.isEmpty());
        QCOMPARE(filled.last().at(1).toDouble(), fillAtEnd);
        QCOMPARE(rig.round->accessName(), QStringLiteral("dwell"));
    }
};

QTEST_GUILESS_MAIN(AccessRound)
#include "test_access_round.moc"
