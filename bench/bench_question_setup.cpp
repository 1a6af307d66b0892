// SPDX-License-Identifier: GPL-3.0-or-later
// How long a question set-up takes with a 4000 x 3000 JPEG, against decoding the picture at
// full size and scaling it; and how much CPU the game uses while it waits. The engine runs
// on fake sound and speech and the real main screen draws it, offscreen.
#include "fakes/ScreenParts.h"
#include "fakes/FakeSound.h"
#include "fakes/FakeSpeech.h"
#include "game/Round.h"
#include "screens/MainScreen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

using namespace mokuri;
using namespace mokuri::test;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void makePhoto(const QString& path)
{
    // Gradients with some grain: a JPEG about the size and decode cost of a camera photo.
    QImage img(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator rng(1);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = qRgb((x / 16 + int(rng.bounded(12))) & 255, (y / 12 + int(rng.bounded(12))) & 255, ((x + y) / 28) & 255);
    }
    img.save(path, "jpg", 90);
}

void runEventsFor(int ms)
{
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// The child builds the word of the question on screen; the praise is then being spoken.
void buildWord(Round& round, test::FakeSound& sound)
{
    const Question& q = round.question();
    const QStringList letters = splitLetters(q.word);
    for (const QString& letter : letters) {
        for (int i = 0; i < q.tileCount(); ++i) {
            if (q.tileLetter(i) == letter && !q.isPlaced(i)) {
                sound.finish();
                round.onTileClicked(i);
                break;
            }
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QStringList pictures{QStringLiteral("りんご.jpg"), QStringLiteral("いぬ.jpg"), QStringLiteral("ねこ.jpg"),
                               QStringLiteral("バナナ.jpg")};
    for (const QString& name : pictures) makePhoto(dir.filePath(name));

    test::FakeSound sound;
    // Every letter and click is over as it starts: the word is built before its set-up is timed.
    sound.soundsLast = false;
    test::FakeSpeech speech;
    Random random(1u);
    Trace trace;
    Round round(PictureFolder{dir.path(), pictures}, pictures, Settings{}, {QStringLiteral("よくできました")}, sound, speech,
                random, trace);
    const TwipScale scale(15.0f);
    auto screen = std::make_unique<MainScreen>(round, scale, trace);
    screen->fitToScreen(QSize(1024, 768));
    round.start();

    // One question answered, then the next set up once the praise has been spoken.
    auto nextQuestion = [&](int praiseMs) {
        speech.finishSpeaking();
        buildWord(round, sound);
        runEventsFor(praiseMs);  // as in play: the praise takes a few seconds
        speech.finishSpeaking();
    };
    const int runs = 15;
    std::vector<double> setup, cold, full;
    for (int i = 0; i < runs; ++i) {
        nextQuestion(400);
        QElapsedTimer t;
        t.start();
        round.onNextQuestionTimer();
        setup.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    for (int i = 0; i < runs; ++i) {
        // A set-up nobody could see coming: a fresh screen has decoded nothing ahead.
        nextQuestion(0);
        screen = std::make_unique<MainScreen>(round, scale, trace);
        screen->fitToScreen(QSize(1024, 768));
        QElapsedTimer t;
        t.start();
        round.onNextQuestionTimer();
        cold.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const QSize shown = pictureOf(*screen)->pixelSize();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const QImage img(dir.filePath(pictures[i % pictures.size()]));
        const QImage scaled = img.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        full.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const double s = median(setup), c = median(cold), d = median(full);
    std::printf("question set-up, 4000x3000 JPEG shown at %dx%d, as in play:   median %6.1f ms (target <= 40)\n",
                shown.width(), shown.height(), s);
    std::printf("question set-up with nothing decoded ahead (scaled decode):  median %6.1f ms\n", c);
    std::printf("full-size decode and scale of the same picture:              median %6.1f ms\n", d);
    std::printf("ratio as in play: %.1fx, with nothing decoded ahead: %.1fx (target >= 4x)\n", d / s, d / c);

    // Waiting for speech (the instruction never ends here) with both timers idle.
    runEventsFor(200);
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(3000, &app, &QApplication::quit);
    app.exec();
    const double cpuShare = (cpuSeconds() - cpu0) / (double(wall.nsecsElapsed()) / 1e9) * 100;
    std::printf("CPU while waiting for speech: %.2f %% of a core (target < 1)\n", cpuShare);
    return (s <= 40 && d / s >= 4 && cpuShare < 1) ? 0 : 1;
}
