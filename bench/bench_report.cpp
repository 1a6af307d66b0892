// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-report on a school year of practice: 200 days of 50 questions with about eight
// touches each (some 80,000 lines), made here with a fixed seed. Times the parse and the
// page in this process, then the whole program as a parent starts it (without the browser).
//   bench_report              make the record in a temporary folder and time
//   bench_report --write FILE only write the record (for a sample page)
#include "content/PracticeRecord.h"
#include "tools/report/ReportPage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <algorithm>
#include <cstdio>
#include <random>

using namespace mokuri;

namespace {

const char16_t* const kWords[] = {
    u"りんご", u"みかん", u"いちご", u"ばなな", u"すいか", u"ぶどう", u"めろん", u"さくらんぼ", u"とうもろこし", u"なし",
    u"いぬ", u"ねこ", u"うさぎ", u"きつね", u"たぬき", u"かぶとむし", u"ぞう", u"きりん", u"らいおん", u"ぱんだ",
    u"くるま", u"でんしゃ", u"ひこうき", u"しょうぼうしゃ", u"じてんしゃ", u"ぱとかあ", u"ろけっと", u"かたつむり",
    u"くつした", u"ぼうし", u"つくえ", u"ちょうちょ", u"ほんだな", u"えんぴつ", u"はさみ", u"とけい", u"てれび",
    u"めがね", u"さかな", u"たまご", u"ケーキ", u"ハンバーグ", u"ピアノ", u"テレビ", u"ボール", u"トマト",
    u"バナナ", u"ソフトクリーム", u"シャツ", u"クリスマスツリー", u"おにぎり", u"ぬいぐるみ", u"わにさん",
    u"ねずみ", u"れいぞうこ",
};
// Letters children mix up, by shape or by sound.
const char16_t* const kLookAlike[][2] = {
    {u"ぬ", u"め"}, {u"わ", u"ね"}, {u"れ", u"ね"}, {u"さ", u"ち"}, {u"る", u"ろ"}, {u"は", u"ほ"}, {u"ソ", u"ン"},
    {u"シ", u"ツ"}, {u"く", u"へ"}, {u"あ", u"お"}, {u"き", u"さ"}, {u"ぼ", u"ぽ"}, {u"じ", u"ぢ"}, {u"ば", u"ぱ"},
};

QString lookAlike(const QString& letter, std::mt19937& rng, const QStringList& others)
{
    for (const auto& pair : kLookAlike) {
        if (letter == QString::fromUtf16(pair[0])) return QString::fromUtf16(pair[1]);
        if (letter == QString::fromUtf16(pair[1])) return QString::fromUtf16(pair[0]);
    }
    return others[qsizetype(rng() % quint32(others.size()))];
}

// Letters as the game cuts them: a small kana joins the letter before it.
QStringList lettersOf(const QString& word)
{
    QStringList out;
    for (QChar c : word) {
        if (!out.isEmpty() && QStringLiteral("ゃゅょャュョ").contains(c)) out.last() += c;
        else out << QString(c);
    }
    return out;
}

QByteArray schoolYear()
{
    std::mt19937 rng(20260408);
    const QTimeZone tokyo(9 * 3600);
    QByteArray out = recordHeader();
    out.reserve(7'000'000);
    QDate day(2026, 4, 8);
    int days = 0;
    while (days < 200) {
        const bool holiday = day.dayOfWeek() > 5 || (day.month() == 8) || (day.month() == 7 && day.day() > 20) ||
                             (day.month() == 12 && day.day() > 24) || (day.month() == 1 && day.day() < 8);
        if (!holiday) {
            ++days;
            const qint64 progress = days / 2; // percent of the year
            const QString session = QStringLiteral("%1-%2").arg(day.toString(u"yyyyMMdd")).arg(rng() % 10000);
            QDateTime t(day, QTime(9, 30), tokyo);
            for (int question = 1; question <= 50; ++question) {
                const QString word = QString::fromUtf16(kWords[rng() % std::size(kWords)]);
                const QStringList letters = lettersOf(word);
                RecordLine q;
                q.time = t;
                q.session = session;
                q.question = question;
                q.picture = word + QStringLiteral(".gif");
                q.word = word;
                out += formatRecordLine(q);
                int restarts = 0;
                qint64 ms = 0;
                bool done = false;
                while (!done) {
                    ms = 0;
                    bool wrong = false;
                    for (const QString& expected : letters) {
                        ms += 600 + qint64(rng() % 1400) * (160 - progress) / 100 + letters.size() * 60;
                        const bool mistake = qint64(rng() % 1000) < 190 * (130 - progress) / 100 && restarts < 3;
                        RecordLine tile = q;
                        tile.event = RecordEvent::Tile;
                        tile.letter = mistake ? lookAlike(expected, rng, letters) : expected;
                        tile.expected = expected;
                        tile.right = !mistake;
                        tile.ms = ms;
                        out += formatRecordLine(tile);
                        if (mistake) {
                            wrong = true;
                            break;
                        }
                    }
                    if (wrong) {
                        RecordLine restart = q;
                        restart.event = RecordEvent::Restart;
                        restart.restarts = ++restarts;
                        out += formatRecordLine(restart);
                    } else {
                        done = true;
                    }
                }
                RecordLine end = q;
                end.event = RecordEvent::Done;
                end.ms = ms + 150;
                end.restarts = restarts;
                out += formatRecordLine(end);
                t = t.addMSecs(ms + 9000);
            }
        }
        day = day.addDays(1);
    }
    return out;
}

double medianOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QByteArray record = schoolYear();
    if (args.size() == 3 && args[1] == QLatin1String("--write")) {
        QFile f(args[2]);
        return f.open(QIODevice::WriteOnly) && f.write(record) == record.size() ? 0 : 1;
    }
    std::printf("record: %lld lines, %.1f MB\n", record.count('\n') - 1LL, double(record.size()) / 1e6);

    constexpr int kRuns = 7;
    std::vector<double> parse, page;
    qsizetype pageBytes = 0;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        report::PageInput input{QStringLiteral("/school/year"), QStringLiteral("/school/year/mokuri-record.csv"), true,
                                report::summaryOf(record), {}};
        parse.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        pageBytes = report::reportPage(input).size();
        page.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("in process: parse and gather %.0f ms, statistics and page %.0f ms (page %.0f kB; median of %d)\n",
                medianOf(parse), medianOf(page), double(pageBytes) / 1e3, kRuns);

    QTemporaryDir dir;
    QFile f(dir.filePath(kRecordFileName));
    if (!f.open(QIODevice::WriteOnly) || f.write(record) != record.size()) return 1;
    f.close();
    std::vector<double> whole;
    for (int i = 0; i < kRuns; ++i) {
        QProcess p;
        QElapsedTimer timer;
        timer.start();
        p.start(QStringLiteral(MOKURI_REPORT_BIN),
                {QStringLiteral("--no-open"), QStringLiteral("-o"), dir.filePath(QStringLiteral("page.html")), dir.path()});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            std::fprintf(stderr, "mokuri-report failed: %s\n", p.readAllStandardError().constData());
            return 1;
        }
        whole.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("mokuri-report --no-open, start to exit: %.0f ms (min %.0f, max %.0f; %d runs)\n", medianOf(whole),
                *std::min_element(whole.begin(), whole.end()), *std::max_element(whole.begin(), whole.end()), kRuns);
    return 0;
}
