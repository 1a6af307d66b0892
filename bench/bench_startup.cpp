// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: from launching the game to its first question, median of several runs.
// Usage: bench_startup GAME FOLDER [RUNS]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup GAME FOLDER [RUNS]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    std::vector<double> times;
    for (int r = 0; r < runs + 1; ++r) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MOKURI_TRACE"), QStringLiteral("1"));
        env.insert(QStringLiteral("MOKURI_SEED"), QStringLiteral("1"));
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM"))) env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (!env.contains(QStringLiteral("SDL_AUDIODRIVER"))) env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QString::fromLocal8Bit(argv[2]));
        QByteArray seen;
        QElapsedTimer t;
        t.start();
        p.start(QString::fromLocal8Bit(argv[1]), {});
        double ms = -1;
        while (t.elapsed() < 20000) {
            p.setReadChannel(QProcess::StandardError);
            p.waitForReadyRead(50);
            seen += p.readAllStandardError();
            if (seen.contains("\tquestion\t")) {
                ms = double(t.nsecsElapsed()) / 1e6;
                break;
            }
            if (p.state() == QProcess::NotRunning) break;
        }
        p.kill();
        p.waitForFinished();
        if (ms < 0) {
            std::fprintf(stderr, "no question seen:\n%s\n", seen.constData());
            return 1;
        }
        if (r > 0) times.push_back(ms);  // the first run writes the content files
        std::printf("run %d: %.1f ms\n", r, ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to first question: median %.1f ms over %d runs (target <= 250)\n", times[times.size() / 2], runs);
    return 0;
}
