// SPDX-License-Identifier: GPL-3.0-or-later
// What recording a tile costs the child: the time of one RecordWriter::append, which runs
// between the letter's verdict and the next sound (ガチャ or ブー). Usage: bench_record_append [N]
#include "content/RecordWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::max(10, std::atoi(argv[1])) : 5000;
    QTemporaryDir dir;
    mokuri::RecordWriter writer(dir.path());
    mokuri::RecordLine line;
    line.time = QDateTime::currentDateTime();
    line.session = QStringLiteral("bench");
    line.event = mokuri::RecordEvent::Tile;
    line.picture = QStringLiteral("りんご.jpg");
    line.word = QStringLiteral("りんご");
    line.letter = QStringLiteral("り");
    line.expected = QStringLiteral("り");
    line.right = true;
    std::vector<double> us;
    us.reserve(size_t(n));
    QElapsedTimer t;
    for (int i = 0; i < n; ++i) {
        line.question = i / 8 + 1;
        line.ms = i;
        t.start();
        writer.append(line);
        us.push_back(double(t.nsecsElapsed()) / 1000.0);
    }
    std::sort(us.begin(), us.end());
    auto at = [&](double q) { return us[size_t(q * double(us.size() - 1))]; };
    std::printf("append of one record line, %d lines: median %.1f us, p99 %.1f us, max %.1f us\n", n, at(0.5), at(0.99),
                us.back());
    return 0;
}
