// The espeak-ng speech control, heard through SDL's disk driver.
#include "MediaTestSupport.h"

#include "media/AudioMixer.h"
#include "media/EspeakSpeechControl.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace mokuri;
using namespace mokuri::test;

namespace {
const QString kInstruction = QStringLiteral("りんご、と、並べましょう");
const QString kPraise = QStringLiteral("よくできました。これが、りんご、だね。");
} // namespace

class MediaSpeech : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    struct Rig : DiskMixer {
        std::unique_ptr<EspeakSpeechControl> speech;
        int ended = 0;
        bool inSpeak = false;
        bool endedInSpeak = false;
        bool endedOffThread = false;
        std::uint64_t framesAtEnd = 0;

        // SpeechEnded is taken on `receiver`, which outlives the speech control.
        Rig(const QTemporaryDir& dir, QObject* receiver)
            : DiskMixer(dir), speech(std::make_unique<EspeakSpeechControl>(mixer))
        {
            QObject::connect(speech.get(), &SpeechControl::SpeechEnded, receiver, [this] {
                ++ended;
                endedInSpeak |= inSpeak;
                endedOffThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
                framesAtEnd = mixer->framesRendered();
            });
        }
        void Speak(const QString& text)
        {
            inSpeak = true;
            speech->Speak(text);
            inSpeak = false;
        }
        bool WaitUntilHeard()
        {
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 5000) {
                if (speech->currentStreamId() && mixer->speechFirstMixed(speech->currentStreamId())) return true;
                QThread::msleep(1);
            }
            return false;
        }
        Heard Finish()
        {
            speech.reset();
            return DiskMixer::Finish();
        }
    };

private slots:
    void speechEndedOnceAfterTheSamplesPlayed()
    {
        Rig r(dir, this);
        QTest::qWait(100); // the worker loads espeak-ng and MeCab
        const std::uint64_t framesAtSpeak = r.mixer->framesRendered();
        QElapsedTimer clock;
        clock.start();
        r.Speak(kInstruction);
        QVERIFY2(clock.elapsed() < 200, "Speak must return at once, long before the sentence ends");
        QCOMPARE(r.ended, 0);
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 1, 10000);
        const double waited = clock.nsecsElapsed() / 1e9;
        QTest::qWait(400);
        QCOMPARE(r.ended, 1);
        QVERIFY(!r.endedInSpeak);
        QVERIFY(!r.endedOffThread);
        const auto lastFrame = r.mixer->speechLastFrame(r.speech->currentStreamId());
        QVERIFY(lastFrame.has_value());
        QVERIFY(*lastFrame <= r.framesAtEnd);

        const std::uint64_t framesAtEnd = r.framesAtEnd;
        const Heard h = r.Finish();
        const long long first = h.firstLoud(0.01f), last = h.lastLoud(0.01f);
        QVERIFY(first >= 0);
        QVERIFY(first >= (long long)framesAtSpeak);
        QVERIFY2(last < (long long)framesAtEnd, "SpeechEnded came before the last sample was played");
        const double heard = h.loudSeconds();
        QVERIFY2(heard > 1.2 && heard < 5.0, qPrintable(QString("heard %1 s").arg(heard)));
        QVERIFY2(waited >= heard, qPrintable(QString("ended after %1 s, heard %2 s").arg(waited).arg(heard)));
        QVERIFY(h.rms(first, last) > 0.01);
    }

    void stopSpeakingSilencesWithinOneBuffer()
    {
        Rig r(dir, this);
        r.Speak(kPraise);
        QVERIFY(r.WaitUntilHeard());
        QThread::msleep(400);
        r.speech->StopSpeaking();
        const std::uint64_t framesAtStop = r.mixer->framesRendered();
        QTest::qWait(700);
        QCOMPARE(r.ended, 0);
        const int buffer = r.buffer;
        const Heard h = r.Finish();
        const long long first = h.firstLoud(0.001f), last = h.lastLoud(0.001f);
        QVERIFY(first >= 0);
        QVERIFY2(last < (long long)(framesAtStop) + buffer,
                 qPrintable(QString("sound %1 frames after the stop").arg(last - (long long)framesAtStop)));
        QVERIFY2(h.seconds(last - first) < 0.8, "the praise was not cut off");
    }

    void aNewSpeakCutsTheOldTextOff()
    {
        Rig r(dir, this);
        r.Speak(kPraise);
        QVERIFY(r.WaitUntilHeard());
        QThread::msleep(300);
        r.Speak(QStringLiteral("おわり"));
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 1, 10000);
        QTest::qWait(400);
        QCOMPARE(r.ended, 1);
        const double heard = r.Finish().loudSeconds();
        QVERIFY2(heard < 2.0, qPrintable(QString("heard %1 s").arg(heard))); // the praise alone is ~4 s
    }

    void speakAfterStopAndEmptyText()
    {
        Rig r(dir, this);
        r.Speak(kInstruction);
        r.speech->StopSpeaking();
        r.Speak(QString());
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 1, 5000);
        r.Speak(QStringLiteral("あ"));
        QTRY_COMPARE_WITH_TIMEOUT(r.ended, 2, 5000);
        QTest::qWait(200);
        QCOMPARE(r.ended, 2);
        QVERIFY(!r.endedInSpeak);
    }

    void destroyedWhileSpeaking()
    {
        Rig r(dir, this);
        r.Speak(kPraise);
        QVERIFY(r.WaitUntilHeard());
        r.speech.reset();
        QTest::qWait(100);
        QCOMPARE(r.ended, 0);
    }
};

QTEST_GUILESS_MAIN(MediaSpeech)
#include "test_media_speech.moc"
