// SPDX-License-Identifier: GPL-3.0-or-later
// The espeak-ng speech voice, heard through SDL's disk driver. Lengths are counted in the
// device's frames, never on the wall clock.
#include "MediaTestSupport.h"

#include "media/AudioMixer.h"
#include "media/EspeakSpeechVoice.h"

#include <QTemporaryDir>
#include <QTest>

using namespace mokuri;
using namespace mokuri::test;

namespace {
const QString kInstruction = QStringLiteral("りんご、と、並べましょう");
const QString kPraise = QStringLiteral("よくできました。これが、りんご、だね。");
} // namespace

class MediaSpeech : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    struct Rig : SpeechRig<EspeakSpeechVoice> {
        Rig(const QTemporaryDir& dir, QObject* receiver, AudioMixer::Clock::duration linger = std::chrono::hours(24))
            : SpeechRig(dir, receiver, linger, [](auto onMixer) { return std::make_unique<EspeakSpeechVoice>(onMixer); })
        {
        }
    };

private slots:
    void speechEndedOnceAfterTheSamplesPlayed()
    {
        Rig r(dir, this, std::chrono::milliseconds(0));
        const std::uint64_t framesAtSpeak = r.mixer->framesRendered();
        r.speak(kInstruction);
        QCOMPARE(r.ended, 0); // speak returned long before the sentence was spoken
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 1, 10000);
        QVERIFY(!r.endedInSpeak);
        QVERIFY(!r.endedOffThread);
        const auto lastFrame = r.mixer->speechLastFrame(r.speech->currentStreamId());
        QVERIFY(lastFrame.has_value());
        QVERIFY(*lastFrame <= r.framesAtEnd);
        const std::uint64_t framesAtEnd = r.framesAtEnd;
        const Heard h = r.finishIdle();
        QCoreApplication::processEvents(); // no second speechEnded comes
        QCOMPARE(r.ended, 1);
        QVERIFY(h.lead >= 0);
        const long long speakFrame = framesAtSpeak > h.openedAt ? h.fileFrame(framesAtSpeak) : 0;
        const long long endFrame = h.fileFrame(framesAtEnd);
        const long long first = h.firstLoud(0.01f), last = h.lastLoud(0.01f);
        QVERIFY(first >= speakFrame);
        QVERIFY2(last < endFrame, "speechEnded came before the last sample was played");
        const double heard = h.loudSeconds();
        QVERIFY2(heard > 1.2 && heard < 5.0, qPrintable(QStringLiteral("heard %1 s").arg(heard)));
        QVERIFY(h.rms(first, last) > 0.01);
    }

    void stopSilencesWithinOneBuffer()
    {
        Rig r(dir, this, std::chrono::milliseconds(0));
        r.speak(kPraise);
        QVERIFY(r.waitUntilHeardFor(0.4));
        r.speech->stop();
        const std::uint64_t framesAtStop = r.mixer->framesRendered();
        const int buffer = r.buffer;
        const Heard h = r.finishIdle();
        QCoreApplication::processEvents();
        QCOMPARE(r.ended, 0);
        QVERIFY(h.lead >= 0);
        const long long stopFrame = h.fileFrame(framesAtStop);
        const long long first = h.firstLoud(0.001f), last = h.lastLoud(0.001f);
        QVERIFY(first >= 0);
        QVERIFY2(last < stopFrame + buffer, qPrintable(QStringLiteral("sound %1 frames after the stop").arg(last - stopFrame)));
        QVERIFY2(h.seconds(last - first) < 0.8 + h.seconds(buffer), "the praise was not cut off");
    }

    void aNewSpeakCutsTheOldTextOff()
    {
        Rig r(dir, this);
        r.speak(kPraise);
        QVERIFY(r.waitUntilHeardFor(0.3));
        r.speak(QStringLiteral("おわり"));
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 1, 10000);
        QVERIFY(r.waitRendered(r.framesAtEnd, 0.3));
        QCOMPARE(r.ended, 1);
        const double heard = r.finish().loudSeconds();
        QVERIFY2(heard < 2.0, qPrintable(QStringLiteral("heard %1 s").arg(heard))); // the praise alone is ~4 s
    }

    void speakAfterStopAndEmptyText()
    {
        Rig r(dir, this);
        r.speak(kInstruction);
        r.speech->stop();
        r.speak(QString());
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 1, 5000);
        r.speak(QStringLiteral("あ"));
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 2, 5000);
        QVERIFY(r.waitRendered(r.framesAtEnd, 0.2));
        QCOMPARE(r.ended, 2);
        QVERIFY(!r.endedInSpeak);
    }

    void destroyedWhileSpeaking()
    {
        Rig r(dir, this);
        r.speak(kPraise);
        QVERIFY(r.waitUntilHeardFor(0.0));
        r.speech.reset();
        QVERIFY(r.waitRendered(r.mixer->framesRendered(), 0.1));
        QCoreApplication::processEvents();
        QCOMPARE(r.ended, 0);
    }

    // Speech opens the device closed while idle (its stream starts empty, filled while
    // espeak-ng speaks) and is heard to its end before the device closes again.
    void speechOpensTheIdleDevice()
    {
        Rig r(dir, this, std::chrono::milliseconds(0));
        QTRY_VERIFY_WITH_TIMEOUT(!r.mixer->deviceOpen(), 10000);
        const std::uint64_t framesWhileClosed = r.mixer->framesRendered();
        r.speak(QStringLiteral("りんご"));
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!r.mixer->deviceOpen(), 10000);
        QCOMPARE(r.mixer->openedAtFrame(), framesWhileClosed);
        const std::uint64_t framesAtEnd = r.framesAtEnd;
        const Heard h = r.finishIdle();
        QVERIFY(h.lead >= 0);
        const long long endFrame = h.fileFrame(framesAtEnd);
        QVERIFY(h.firstLoud(0.01f) >= 0);
        QVERIFY(h.lastLoud(0.01f) < endFrame);
        QVERIFY2(h.loudSeconds() > 0.3, qPrintable(QStringLiteral("heard %1 s").arg(h.loudSeconds())));
    }
};

QTEST_GUILESS_MAIN(MediaSpeech)
#include "test_media_speech.moc"
