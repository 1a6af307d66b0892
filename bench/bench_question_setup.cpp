// SPDX-License-Identifier: GPL-3.0-or-later
// How long a question set-up takes with a 4000 x 3000 JPEG, against decoding the picture at
// full size and scaling it; and how much CPU the game uses while it waits.
#include "content/Globals.h"
#include "fakes/TestFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace mokuri;

namespace {

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void MakePhoto(const QString& path)
{
    // Gradients with some grain: a JPEG about the size and decode cost of a camera photo.
    QImage img(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator rng(1);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = qRgb((x / 16 + int(rng.bounded(12))) & 255, (y / 12 + int(rng.bounded(12))) & 255,
                           ((x + y) / 28) & 255);
    }
    img.save(path, "jpg", 90);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    test::TestFolder folder;
    for (const char* n : {"りんご.jpg", "いぬ.jpg", "ねこ.jpg", "バナナ.jpg"}) MakePhoto(folder.Data() + "/" + n);

    test::Game game = test::StartGame(folder.Data());
    Form1& f = *game.form;
    f.Form_Activate();

    const int runs = 15;
    std::vector<double> setup, cold, full;
    for (int i = 0; i < runs; ++i) {
        // As in play: the next question comes a few seconds after the previous set-up.
        f.TaskIndex = int16_t((f.TaskIndex + 1) % TaskPictureCount);
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 400) app.processEvents(QEventLoop::AllEvents, 50);
        QElapsedTimer t;
        t.start();
        f.SetUpQuestion();
        setup.push_back(t.nsecsElapsed() / 1e6);
    }
    for (int i = 0; i < runs; ++i) {
        // A set-up nobody could see coming: the picture is decoded on the spot.
        f.Pictures = PictureLoader();
        f.TaskIndex = int16_t(i % TaskPictureCount);
        QElapsedTimer t;
        t.start();
        f.SetUpQuestion();
        cold.push_back(t.nsecsElapsed() / 1e6);
    }
    const QSize shown(f.Image1->width(), f.Image1->height());
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        QImage img(folder.Data() + "/" + TaskPictures[i % TaskPictureCount]);
        QImage scaled = img.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        full.push_back(t.nsecsElapsed() / 1e6);
    }
    const double s = Median(setup), c = Median(cold), d = Median(full);
    std::printf("question set-up, 4000x3000 JPEG shown at %dx%d, as in play:   median %6.1f ms (target <= 40)\n",
                shown.width(), shown.height(), s);
    std::printf("question set-up with nothing decoded ahead (scaled decode):  median %6.1f ms\n", c);
    std::printf("full-size decode and scale of the same picture:              median %6.1f ms\n", d);
    std::printf("ratio as in play: %.1fx, with nothing decoded ahead: %.1fx (target >= 4x)\n", d / s, d / c);

    // Waiting for speech (the instruction never ends here) with both timers idle.
    f.SetUpQuestion();
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(3000, &app, &QApplication::quit);
    app.exec();
    const double cpuShare = (CpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9) * 100;
    std::printf("CPU while waiting for speech: %.2f %% of a core (target < 1)\n", cpuShare);
    return (s <= 40 && d / s >= 4 && cpuShare < 1) ? 0 : 1;
}
