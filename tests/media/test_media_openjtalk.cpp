// SPDX-License-Identifier: GPL-3.0-or-later
// The Open JTalk speech voice, heard through SDL's disk driver: with the real open_jtalk and
// the voice Mei (skipped, with the reason, when they are not installed), and with stand-ins
// for open_jtalk that hang, crash, write junk or log what they were asked. Lengths are
// counted in the device's frames, never on the wall clock.
#include "MediaTestSupport.h"

#include "media/OpenJTalk.h"
#include "media/OpenJTalkSpeechVoice.h"
#include "support/Trace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace mokuri;
using namespace mokuri::test;

namespace {

const QString kInstruction = QStringLiteral("りんご、と、並べましょう");
const QString kPraise = QStringLiteral("よくできました。これが、りんご、だね。");

// A stand-in for open_jtalk: logs "<voice>\t<text>" and then does what `body` says with the
// WAV path in $out.
QString writeFakeOpenJTalk(const QTemporaryDir& dir, const QString& name, const QString& body)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(QStringLiteral("#!/bin/sh\n"
                           "while [ $# -gt 0 ]; do\n"
                           "  case $1 in -ow) out=$2 ;; -m) voice=$2 ;; esac\n"
                           "  shift\n"
                           "done\n"
                           "printf '%s\\t%s\\n' \"$voice\" \"$(cat)\" >> \"$0.log\"\n")
                .toUtf8()
            + body.toUtf8() + "\n");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    return path;
}

} // namespace

class MediaOpenJTalk : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString toneWavPath;
    std::optional<OpenJTalkSetup> mei; // the real thing, when installed
    QString meiMissing;

    struct Rig : SpeechRig<OpenJTalkSpeechVoice> {
        Rig(const QTemporaryDir& dir, QObject* receiver, const OpenJTalkSetup& setup, Trace* trace = nullptr,
            std::size_t cacheTexts = OpenJTalkSpeechVoice::kDefaultCacheTexts)
            : SpeechRig(dir, receiver, std::chrono::milliseconds(0), [&](auto onMixer) {
                  return std::make_unique<OpenJTalkSpeechVoice>(setup, onMixer, trace, cacheTexts);
              })
        {
        }
        bool waitCached(const QString& text)
        {
            return QTest::qWaitFor([&] { return speech->isCached(text); }, 20000);
        }
    };

    OpenJTalkSetup fake(const QString& name, const QString& body)
    {
        OpenJTalkSetup s;
        s.program = writeFakeOpenJTalk(dir, name, body);
        s.dictionary = dir.path();
        s.voice = dir.filePath(QStringLiteral("normal.htsvoice"));
        s.praiseVoice = dir.filePath(QStringLiteral("happy.htsvoice"));
        s.timeout = std::chrono::milliseconds(1500);
        return s;
    }
    QStringList fakeLog(const QString& name)
    {
        QFile f(dir.filePath(name + QStringLiteral(".log")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        toneWavPath = dir.filePath(QStringLiteral("tone.wav"));
        QVERIFY(writeFileBytes(toneWavPath, toneWav(0.5, 48000, 1, 16)));
        OpenJTalkSearch search = OpenJTalkSearch::standard(QString());
        const OpenJTalkChoice choice = chooseOpenJTalk(search);
        mei = choice.setup;
        meiMissing = choice.why;
    }

    // The real voice: voiced audio of a sentence's length, speechEnded once after the last
    // sample, through the event loop, and no espeak-ng.
    void heardWithTheHtsVoice_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("minSeconds");
        QTest::addColumn<double>("maxSeconds");
        QTest::addColumn<bool>("prepared");
        QTest::newRow("instruction, synthesised ahead") << kInstruction << 1.2 << 4.0 << true;
        QTest::newRow("praise") << kPraise << 1.8 << 6.0 << false;
    }
    void heardWithTheHtsVoice()
    {
        if (!mei)
            QSKIP(qPrintable(QStringLiteral("no Open JTalk voice: ") + meiMissing));
        QFETCH(QString, text);
        QFETCH(double, minSeconds);
        QFETCH(double, maxSeconds);
        QFETCH(bool, prepared);
        Rig r(dir, this, *mei);
        if (prepared) {
            r.speech->prepare(text);
            QVERIFY(r.waitCached(text));
        }
        const std::uint64_t framesAtSpeak = r.mixer->framesRendered();
        r.speak(text);
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 1, 20000);
        QVERIFY(!r.endedInSpeak);
        QVERIFY(!r.endedOffThread);
        QCOMPARE(r.speech->fallbacks(), 0);
        QCOMPARE(r.speech->openJTalkRuns(), 1);
        const std::uint64_t framesAtEnd = r.framesAtEnd;
        const Heard h = r.finishIdle();
        QCOMPARE(r.ended, 1);
        QVERIFY(h.lead >= 0);
        const long long first = h.firstLoud(0.01f), last = h.lastLoud(0.01f);
        QVERIFY(first >= (framesAtSpeak > h.openedAt ? h.fileFrame(framesAtSpeak) : 0));
        QVERIFY2(last < h.fileFrame(framesAtEnd), "speechEnded came before the last sample was played");
        const double heard = h.loudSeconds();
        QVERIFY2(heard > minSeconds && heard < maxSeconds, qPrintable(QStringLiteral("heard %1 s").arg(heard)));
        QVERIFY(h.rms(first, last) > 0.02);
        // Open JTalk's own silence cut: a text made ahead is heard at once (5 ms kept before
        // the speech, one device buffer, and slack for a busy machine).
        if (prepared) {
            // The device opened at the speak, or was open: from its frame then.
            const double onset = h.seconds(first - h.fileFrame(std::max(framesAtSpeak, h.openedAt)));
            qInfo("heard %.1f ms after speak", onset * 1000);
            QVERIFY2(onset < 0.05, qPrintable(QStringLiteral("heard %1 ms after speak").arg(onset * 1000)));
        }
    }

    // A text synthesised ahead starts playing inside speak, without a second synthesis; the
    // instruction and the praise go to their own voice files; open_jtalk reads one line.
    void preparedTextStartsInsideSpeak()
    {
        const QString name = QStringLiteral("logging_open_jtalk");
        Rig r(dir, this, fake(name, QStringLiteral("cp '%1' \"$out\"").arg(toneWavPath)));
        r.speech->prepare(kInstruction);
        r.speech->prepare(QStringLiteral("一行目\n二行目、だね。"));
        QVERIFY(r.waitCached(kInstruction));
        QVERIFY(r.waitCached(QStringLiteral("一行目\n二行目、だね。")));
        const std::uint64_t before = r.speech->currentStreamId();
        r.speak(kInstruction);
        QVERIFY(r.speech->currentStreamId() != before); // started before speak returned
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 1, 20000);
        QCOMPARE(r.speech->openJTalkRuns(), 2);
        QCOMPARE(r.speech->fallbacks(), 0);
        const QStringList log = fakeLog(name);
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[0], dir.filePath(QStringLiteral("normal.htsvoice")) + u'\t' + kInstruction);
        QCOMPARE(log[1], dir.filePath(QStringLiteral("happy.htsvoice")) + QStringLiteral("\t一行目、二行目、だね。"));
        const Heard h = r.finishIdle();
        QVERIFY2(std::abs(h.loudSeconds() - 0.5) < 0.02, qPrintable(QStringLiteral("heard %1 s").arg(h.loudSeconds())));
    }

    // Whatever goes wrong with Open JTalk, the text is spoken by espeak-ng: one speechEnded,
    // sound heard, said in the trace, and no hang.
    void fallsBackToEspeak_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("voice"); // empty: the test's own voice names
        QTest::addColumn<QString>("reason");
        QTest::newRow("hangs") << QStringLiteral("exec sleep 60") << QString() << QStringLiteral("longer than");
        QTest::newRow("crashes") << QStringLiteral("kill -SEGV $$") << QString() << QStringLiteral("failed");
        QTest::newRow("fails") << QStringLiteral("echo 'cannot load voice' >&2; exit 1") << QString()
                               << QStringLiteral("cannot load voice");
        QTest::newRow("writes junk") << QStringLiteral("echo junk > \"$out\"") << QString() << QStringLiteral("WAV");
        QTest::newRow("writes silence")
            << QStringLiteral("head -c 44 '%1' > \"$out\"").arg(toneWavPath) << QString() << QStringLiteral("WAV");
        QTest::newRow("writes nothing") << QStringLiteral("true") << QString() << QStringLiteral("no WAV");
        QTest::newRow("damaged voice file") << QString() << QStringLiteral("damaged") << QStringLiteral("failed");
        QTest::newRow("missing voice file") << QString() << QStringLiteral("missing") << QStringLiteral("failed");
    }
    void fallsBackToEspeak()
    {
        QFETCH(QString, body);
        QFETCH(QString, voice);
        QFETCH(QString, reason);
        OpenJTalkSetup setup;
        if (voice.isEmpty()) {
            setup = fake(QStringLiteral("fake_%1").arg(QString::fromUtf8(QTest::currentDataTag())).replace(u' ', u'_'), body);
        } else {
            if (!mei)
                QSKIP(qPrintable(QStringLiteral("needs the real open_jtalk: ") + meiMissing));
            setup = *mei;
            const QString path = dir.filePath(voice + QStringLiteral(".htsvoice"));
            if (voice == QLatin1String("damaged")) {
                QFile real(mei->voice);
                QVERIFY(real.open(QIODevice::ReadOnly));
                QByteArray bytes = real.read(4096); // the header, then nothing
                bytes.replace("FULLCONTEXT", "XXXXXXXXXXX");
                QVERIFY(writeFileBytes(path, bytes));
            }
            setup.voice = setup.praiseVoice = path;
        }
        const QString tracePath = dir.filePath(QStringLiteral("trace-%1").arg(QString::fromUtf8(QTest::currentDataTag())));
        Trace trace(tracePath);
        Rig r(dir, this, setup, &trace);
        r.speak(kInstruction);
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 1, 30000);
        QVERIFY(!r.endedInSpeak);
        QCOMPARE(r.speech->fallbacks(), 1);
        const Heard h = r.finishIdle();
        QCOMPARE(r.ended, 1);
        QVERIFY2(h.loudSeconds() > 0.8, qPrintable(QStringLiteral("heard %1 s").arg(h.loudSeconds())));
        QFile log(tracePath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString lines = QString::fromUtf8(log.readAll());
        QCOMPARE(lines.count(QStringLiteral("espeak-ng speaks instead")), 1);
        QVERIFY2(lines.contains(reason), qPrintable(lines));
    }

    // What open_jtalk wrote is read only when it is 16-bit mono PCM with sound in it.
    void wavIsChecked_data()
    {
        QTest::addColumn<QByteArray>("wav");
        QTest::addColumn<QString>("error"); // a word of it; empty: read
        const QByteArray tone = toneWav(0.2, 48000, 1, 16);
        QByteArray beyond = tone;
        beyond[40] = char(0xFF); // the data chunk claims far more than the file holds
        QTest::newRow("a tone") << tone << QString();
        QTest::newRow("data size past the end") << beyond << QString();
        QTest::newRow("cut in the header") << tone.left(30) << QStringLiteral("no readable");
        QTest::newRow("not RIFF") << QByteArray("junk\n") << QStringLiteral("no readable");
        QTest::newRow("stereo") << toneWav(0.2, 48000, 2, 16) << QStringLiteral("unexpected");
        QTest::newRow("8-bit") << toneWav(0.2, 48000, 1, 8) << QStringLiteral("unexpected");
        QTest::newRow("silence") << toneWav(0.2, 48000, 1, 16, 440.0, 0.0) << QStringLiteral("silent");
    }
    void wavIsChecked()
    {
        QFETCH(QByteArray, wav);
        QFETCH(QString, error);
        const OpenJTalkAudio audio = readOpenJTalkWav(wav);
        QVERIFY2(error.isEmpty() ? audio.ok() : audio.error.contains(error), qPrintable(audio.error));
        if (error.isEmpty()) {
            QCOMPARE(audio.sampleRate, 48000);
            // A tone from its first sample: nothing to cut before it, 0.2 s of it kept.
            QVERIFY2(std::abs(double(audio.samples.size()) / 48000 - 0.2) < 0.002, qPrintable(QString::number(audio.samples.size())));
        } else {
            QVERIFY(audio.samples.empty());
        }
    }

    // An open_jtalk that keeps failing is given up after a few texts: each would cost the
    // child its time-out.
    void givesUpAfterFailuresInARow()
    {
        Rig r(dir, this, fake(QStringLiteral("always_failing"), QStringLiteral("exit 1")));
        const QStringList texts{QStringLiteral("いぬ"), QStringLiteral("ねこ"), QStringLiteral("とり"),
                                QStringLiteral("さる"), QStringLiteral("うし")};
        for (int i = 0; i < texts.size(); ++i) {
            r.speak(texts[i]);
            QTRY_COMPARE_WITH_TIMEOUT(r.ended, i + 1, 20000);
        }
        QCOMPARE(r.speech->fallbacks(), 5);
        QCOMPARE(r.speech->openJTalkRuns(), 3);
        QCOMPARE(fakeLog(QStringLiteral("always_failing")).size(), 3);
    }

    // Stop while the text is still being synthesised, and while it plays: no speechEnded, and
    // nothing heard after the stop (but for what is already in the device's buffer).
    void stopSilences_data()
    {
        QTest::addColumn<bool>("duringPlayback");
        QTest::newRow("during synthesis") << false;
        QTest::newRow("during playback") << true;
    }
    void stopSilences()
    {
        QFETCH(bool, duringPlayback);
        const QString name = QStringLiteral("stop_open_jtalk");
        // Waits for a go-ahead file, so that the stop surely comes during synthesis.
        const QString go = dir.filePath(QStringLiteral("go"));
        QFile::remove(go);
        Rig r(dir, this,
              fake(name, QStringLiteral("while [ ! -e '%1' ]; do sleep 0.02; done; cp '%2' \"$out\"").arg(go, toneWavPath)));
        r.speak(kInstruction);
        std::uint64_t framesAtStop = 0;
        if (duringPlayback) {
            QVERIFY(writeFileBytes(go, {}));
            QVERIFY(r.waitUntilHeardFor(0.1));
            r.speech->stop();
            framesAtStop = r.mixer->framesRendered();
        } else {
            r.speech->stop();
            QVERIFY(writeFileBytes(go, {}));
            QVERIFY(r.waitCached(kInstruction)); // synthesised on into the cache
            QCOMPARE(r.speech->currentStreamId(), std::uint64_t(0)); // and never played
        }
        QCoreApplication::processEvents();
        QCOMPARE(r.ended, 0);
        const int buffer = r.buffer;
        const Heard h = r.finishIdle();
        QCoreApplication::processEvents();
        QCOMPARE(r.ended, 0);
        if (!duringPlayback) {
            QCOMPARE(h.firstLoud(0.001f), -1LL);
        } else {
            QVERIFY(h.lead >= 0);
            QVERIFY(h.lastLoud(0.001f) < h.fileFrame(framesAtStop) + buffer);
            QVERIFY(h.loudSeconds(0.001f) < 0.45); // the tone is 0.5 s
        }
    }

    // The cache keeps at most its bound of texts, the least recently used going first; a text
    // that went is synthesised again when spoken.
    void cacheIsBounded()
    {
        const QString name = QStringLiteral("cache_open_jtalk");
        Rig r(dir, this, fake(name, QStringLiteral("cp '%1' \"$out\"").arg(toneWavPath)), nullptr, 2);
        const QStringList texts{QStringLiteral("いぬ、と、並べましょう"), QStringLiteral("ねこ、と、並べましょう"),
                                QStringLiteral("とり、と、並べましょう")};
        for (const QString& t : texts) {
            r.speech->prepare(t);
            QVERIFY(r.waitCached(t));
            QVERIFY(r.speech->cachedTexts() <= 2);
        }
        QVERIFY(!r.speech->isCached(texts[0]));
        QVERIFY(r.speech->isCached(texts[1]));
        QVERIFY(r.speech->isCached(texts[2]));
        r.speak(texts[0]);
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 1, 20000);
        QCOMPARE(r.speech->openJTalkRuns(), 4);
        QCOMPARE(fakeLog(name).size(), 4);
        QCOMPARE(r.speech->cachedTexts(), std::size_t(2));
    }

    // The voice is chosen from what is installed, and a voice file in the sounds folder wins.
    void voiceChoice_data()
    {
        QTest::addColumn<QString>("program"); // empty: none
        QTest::addColumn<bool>("dictionary");
        QTest::addColumn<bool>("meiThere");
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<QString>("expect"); // voice file name, or a word of the reason
        QTest::newRow("everything") << QStringLiteral("fake") << true << true << false << QStringLiteral("mei_normal.htsvoice");
        QTest::newRow("a dropped voice wins") << QStringLiteral("fake") << true << true << true << QStringLiteral("parent.htsvoice");
        QTest::newRow("no program") << QStringLiteral("") << true << true << false << QStringLiteral("open-jtalk");
        QTest::newRow("no dictionary") << QStringLiteral("fake") << false << true << false << QStringLiteral("naist-jdic");
        QTest::newRow("no voice") << QStringLiteral("fake") << true << false << false << QStringLiteral("Mei");
    }
    void voiceChoice()
    {
        QFETCH(QString, program);
        QFETCH(bool, dictionary);
        QFETCH(bool, meiThere);
        QFETCH(bool, dropped);
        QFETCH(QString, expect);
        QTemporaryDir place;
        const QString fakeProgram = writeFakeOpenJTalk(place, QStringLiteral("open_jtalk"), QStringLiteral("true"));
        QDir(place.path()).mkpath(QStringLiteral("dic"));
        QDir(place.path()).mkpath(QStringLiteral("mei"));
        QDir(place.path()).mkpath(QStringLiteral("sounds"));
        if (dictionary)
            writeFileBytes(place.filePath(QStringLiteral("dic/sys.dic")), "x");
        if (meiThere) {
            writeFileBytes(place.filePath(QStringLiteral("mei/mei_normal.htsvoice")), "x");
            writeFileBytes(place.filePath(QStringLiteral("mei/mei_happy.htsvoice")), "x");
        }
        if (dropped)
            writeFileBytes(place.filePath(QStringLiteral("sounds/parent.htsvoice")), "x");
        qputenv("MOKURI_OPEN_JTALK", program.isEmpty() ? place.filePath(QStringLiteral("none")).toUtf8() : fakeProgram.toUtf8());
        qputenv("MOKURI_OPEN_JTALK_DIC", place.filePath(QStringLiteral("dic")).toUtf8());
        OpenJTalkSearch search;
        search.soundsFolder = place.filePath(QStringLiteral("sounds"));
        search.meiFolders = {place.filePath(QStringLiteral("nothing")), place.filePath(QStringLiteral("mei"))};
        const OpenJTalkChoice choice = chooseOpenJTalk(search);
        qunsetenv("MOKURI_OPEN_JTALK");
        qunsetenv("MOKURI_OPEN_JTALK_DIC");
        if (choice.setup) {
            QCOMPARE(QFileInfo(choice.setup->voice).fileName(), expect);
            QCOMPARE(QFileInfo(choice.setup->praiseVoice).fileName(),
                     dropped ? expect : QStringLiteral("mei_happy.htsvoice"));
        } else {
            QVERIFY2(choice.why.contains(expect), qPrintable(choice.why));
        }
        QCOMPARE(choice.setup.has_value(), expect.endsWith(QLatin1String(".htsvoice")));
    }
};

QTEST_GUILESS_MAIN(MediaOpenJTalk)
#include "test_media_openjtalk.moc"
