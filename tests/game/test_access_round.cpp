// SPDX-License-Identifier: GPL-3.0-or-later
// Switch scanning and dwell driving the engine, on fake sound and speech and a fixed seed;
// the scan, hold, ignore-repeat and dwell timers are ticked by the test, never by a clock.
#include "fakes/RoundRig.h"
#include "game/Letters.h"

#include <QSignalSpy>
#include <QTest>

using namespace mokuri;
using namespace mokuri::test;
using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kPictures{QStringLiteral("りんご.bmp"), QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"),
                            QStringLiteral("とり.bmp")};

struct Rig : RoundRig {
    explicit Rig(const AccessSettings& access, const Settings& settings = {})
        : RoundRig(kPictures, settings, {QStringLiteral("よくできました")}, access)
    {
    }
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
    // The tiles' order from left to right, as the scan goes; only those not placed yet.
    std::vector<int> rowOrder(bool free = false) const
    {
        std::vector<int> order;
        for (int i = 0; i < q().tileCount(); ++i)
            if (!free || !q().isPlaced(i)) order.push_back(i);
        std::sort(order.begin(), order.end(), [this](int a, int b) { return q().tileSlots[size_t(a)] < q().tileSlots[size_t(b)]; });
        return order;
    }
    // Trace events of one kind, without the time and the event's name.
    QStringList traced(const QString& event) const
    {
        QStringList out;
        for (const QString& line : traceLines())
            if (const QStringList fields = line.split(u'\t'); fields[0] == event) out << fields.mid(1).join(u' ');
        return out;
    }
};

} // namespace

class AccessRound : public QObject {
    Q_OBJECT

private slots:
    // The word built with each way of scanning: the highlight starts on the row's first
    // tile once the instruction has been spoken, moves by the timer (one switch) or by
    // switch 1 (two switches), and a press takes the highlighted tile.
    void switchesBuildTheWord_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("auditory");
        const int one = int(AccessMethod::OneSwitch);
        QTest::newRow("one switch") << one << int(ScanStart::AtOnce) << false;
        QTest::newRow("one switch, pause on the first tile") << one << int(ScanStart::PauseOnFirst) << false;
        QTest::newRow("one switch, start on a press") << one << int(ScanStart::OnPress) << false;
        QTest::newRow("one switch, auditory") << one << int(ScanStart::AtOnce) << true;
        QTest::newRow("two switches, auditory") << int(AccessMethod::TwoSwitches) << int(ScanStart::AtOnce) << true;
    }
    void switchesBuildTheWord()
    {
        QFETCH(int, method);
        QFETCH(int, start);
        QFETCH(bool, auditory);
        const AccessSettings a{.method = AccessMethod(method), .scanStart = ScanStart(start), .auditoryScan = auditory};
        const bool two = a.method == AccessMethod::TwoSwitches, onPress = a.scanStart == ScanStart::OnPress;
        Rig rig(a);
        QSignalSpy done(rig.round.get(), &Round::wordDone);
        QCOMPARE(rig.round->highlightedTile(), -1);  // nothing highlighted while the instruction is spoken
        rig.endInstruction();
        const QString word = rig.q().word;
        for (int k = 0; k < word.size(); ++k) {
            QCOMPARE(rig.round->highlightedTile(), rig.rowOrder(true).front());
            QCOMPARE(rig.timer("ScanTimer").isActive(), !two && !onPress);
            if (onPress) {
                rig.press();  // sets the scan going, takes nothing
                QCOMPARE(rig.q().nextLetter, k);
            }
            for (int n = 0; n < 12 && rig.highlightedLetter() != rig.nextLetter(); ++n) {
                const bool first = rig.round->highlightedTile() == rig.rowOrder(true).front();
                if (!two) QCOMPARE(rig.timer("ScanTimer").interval(), a.scanIntervalMs * (first && start == int(ScanStart::PauseOnFirst) ? 2 : 1));
                if (two) rig.press(1);
                else rig.fire("ScanTimer");
                if (auditory) QCOMPARE(rig.sound.played.last(), letterSoundFile(rig.highlightedLetter()));
            }
            QCOMPARE(rig.q().nextLetter, k);
            rig.press(two ? 2 : 1);
            QCOMPARE(rig.q().nextLetter, k + 1);
            if (!auditory || k + 1 == word.size()) continue;
            // The click of the placed tile is heard before the highlighted letter.
            QCOMPARE(rig.sound.played.last(), QStringLiteral("ガチャ.wav"));
            rig.sound.finish();
            QCOMPARE(rig.sound.played.last(), letterSoundFile(rig.highlightedLetter()));
        }
        QCOMPARE(done.size(), 1);
        QVERIFY(!rig.timer("ScanTimer").isActive());
        QCOMPARE(rig.round->highlightedTile(), -1);
    }

    // One switch, a script of events against the trace's verdicts and the place in the row
    // of the tile taken (-1: none). d1/u1: switch 1 down/up; r1: its key's auto-repeat;
    // h: the hold time is up; g: the ignore-repeat time is up; t: the scan moves on; T: it
    // moves on until it rests; i: the instruction ends.
    void switchScripts_data()
    {
        QTest::addColumn<int>("holdMs");
        QTest::addColumn<int>("ignoreMs");
        QTest::addColumn<int>("rounds");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("verdicts");
        QTest::addColumn<int>("takenAt");
        QTest::newRow("press during the instruction") << 0 << 0 << 0 << "d1 u1 i d1 u1" << "ignored instruction, take" << 0;
        QTest::newRow("auto-repeat never counts") << 0 << 0 << 0 << "i d1 r1 r1 u1" << "take, ignored repeat, ignored repeat" << 0;
        QTest::newRow("a second down without an up") << 0 << 0 << 0 << "i d1 d1" << "take, ignored repeat" << 0;
        QTest::newRow("too short for the hold time") << 300 << 0 << 0 << "i d1 u1" << "ignored too-short" << -1;
        QTest::newRow("held long enough") << 300 << 0 << 0 << "i d1 h u1" << "take" << 0;
        QTest::newRow("too soon after a press") << 0 << 500 << 0 << "i d1 u1 d1 u1 g d1 u1" << "take, ignored too-soon, take" << 0;
        QTest::newRow("held, but too soon") << 200 << 500 << 0 << "i d1 h u1 d1 h u1" << "take, ignored too-soon" << 0;
        // The tile taken is the one highlighted when the switch went down.
        QTest::newRow("down just before a move") << 0 << 0 << 0 << "i d1 t u1" << "take" << 0;
        QTest::newRow("down just after a move") << 0 << 0 << 0 << "i t d1 u1" << "take" << 1;
        QTest::newRow("held across a move") << 250 << 0 << 0 << "i d1 t h u1" << "take" << 0;
        QTest::newRow("resting after its rounds: a press wakes it") << 0 << 0 << 2 << "i T d1 u1 t d1 u1"
                                                                   << "start, take" << 1;
    }
    void switchScripts()
    {
        QFETCH(int, holdMs);
        QFETCH(int, ignoreMs);
        QFETCH(int, rounds);
        QFETCH(QString, script);
        QFETCH(QString, verdicts);
        Rig rig({.method = AccessMethod::OneSwitch, .scanRounds = rounds, .holdMs = holdMs, .ignoreRepeatMs = ignoreMs});
        QSignalSpy placed(rig.round.get(), &Round::tilePlaced);
        QSignalSpy wrong(rig.round.get(), &Round::wrongTile);
        int ticks = 0;
        for (const QString& step : script.split(u' ')) {
            if (step == u"i") rig.endInstruction();
            else if (step == u"h") rig.fire("HoldTimer");
            else if (step == u"g") rig.timer("RepeatTimer").stop();  // as good as run out
            else if (step == u"t") rig.fire("ScanTimer");
            else if (step == u"d1") rig.round->onSwitchPressed(1, false);
            else if (step == u"r1") rig.round->onSwitchPressed(1, true);
            else if (step == u"u1") rig.round->onSwitchReleased(1);
            else
                for (; rig.timer("ScanTimer").isActive() && ticks < 100; ++ticks) rig.fire("ScanTimer");
            if (rig.round->phase() == Round::Phase::LetterSounding) QCOMPARE(rig.round->highlightedTile(), -1);
            rig.settle();
        }
        QStringList expected;
        for (const QString& v : verdicts.split(QStringLiteral(", ")))
            expected << u"1 "_s + (v.startsWith(u"ignored"_s) ? v : u"accepted "_s + v);
        QCOMPARE(rig.traced(QStringLiteral("press")), expected);
        const QList<QList<QVariant>> taken = placed + wrong;
        const std::vector<int> row = rig.rowOrder();
        QTEST(taken.isEmpty() ? -1 : int(std::find(row.begin(), row.end(), taken.first().first().toInt()) - row.begin()), "takenAt");
        if (rounds > 0) {
            QCOMPARE(ticks, rounds * rig.q().tileCount());
            QCOMPARE(rig.traced(QStringLiteral("scan-rest")), QStringList{QString::number(rounds)});
        }
    }

    void wrongTileBySwitchAskesAgain()
    {
        Rig rig({.method = AccessMethod::TwoSwitches});
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
        Rig rig({.dwellMs = 1000}, {.takeTile = TakeTile::ByTouch});
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
        QTEST(filled.last().at(1).toDouble(), "fillAtEnd");
        QCOMPARE(rig.round->accessName(), QStringLiteral("dwell"));
    }
};

QTEST_GUILESS_MAIN(AccessRound)
#include "test_access_round.moc"
