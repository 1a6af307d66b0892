// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-report: the numbers a parent reads on the page, from a fixed record; the program
// as it is started; and the page as a real browser shows it.
#include "content/PracticeRecord.h"
#include "tools/report/ReportData.h"
#include "support/XdgFolders.h"
#include "tools/report/ReportPage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <pwd.h>
#include <unistd.h>

using namespace mokuri;
using namespace mokuri::report;
using namespace Qt::StringLiterals;

namespace {

// One question as the game records it: tiles as "<taken><ms>" or "<taken>/<expected><ms>"
// for a wrong one, then "restart", "left" (by Esc) or "done<ms>".
struct Played {
    QString session;
    int question;
    QString time;
    QString word;
    QString events;
    QString access = {};  // as the question line says; empty: the clicks of the settings
};

QByteArray recordOf(const QList<Played>& questions, const QByteArray& tail = {})
{
    QByteArray out = recordHeader();
    static const QRegularExpression tileEvent(u"^(\\D+?)(?:/(\\D+?))?(\\d+)$"_s);
    for (const Played& q : questions) {
        RecordLine line;
        line.time = QDateTime::fromString(q.time + u"+09:00"_s, Qt::ISODate);
        line.session = q.session;
        line.question = q.question;
        line.picture = q.word + u".jpg"_s;
        line.word = q.word;
        line.access = q.access;
        out += formatRecordLine(line);
        for (const QString& e : q.events.split(u' ', Qt::SkipEmptyParts)) {
            RecordLine l = line;
            l.ms = -1;
            if (e == u"restart"_s) {
                l.event = RecordEvent::Restart;
                l.restarts = ++line.restarts;
            } else if (e == u"left"_s) {
                l.event = RecordEvent::Left;
                l.restarts = line.restarts;
                l.leftBy = u"Esc"_s;
            } else if (e.startsWith(u"done"_s)) {
                l.event = RecordEvent::Done;
                l.restarts = line.restarts;
                l.ms = e.mid(4).toLongLong();
            } else {
                const QRegularExpressionMatch m = tileEvent.match(e);
                if (!m.hasMatch()) qFatal("bad event %s", qPrintable(e));
                l.event = RecordEvent::Tile;
                l.letter = m.captured(1);
                l.expected = m.captured(2).isEmpty() ? l.letter : m.captured(2);
                l.right = l.letter == l.expected;
                l.ms = m.captured(3).toLongLong();
            }
            out += formatRecordLine(l);
        }
    }
    return out + tail;
}

// Three days over two weeks, three sessions, played by clicks, by dwell and with a switch. Question numbers repeat between sessions; one
// question starts a second before midnight; one never ends; a foreign line is in the file,
// which ends in a line torn by a stopped game.
QByteArray fixedRecord()
{
    return recordOf(
        {
            {u"s1"_s, 1, u"2026-05-11T10:00:00"_s, u"りんご"_s, u"り800 ん1500 ご3900 done4000"_s},
            {u"s1"_s, 2, u"2026-05-11T10:00:20"_s, u"ねこ"_s, u"れ/ね1200 restart ね900 こ5800 done6000"_s},
            {u"s1"_s, 3, u"2026-05-11T10:00:45"_s, u"りんご"_s, u"り700 る/ん1600 restart left"_s},
            {u"s2"_s, 1, u"2026-05-12T16:00:00"_s, u"ねこ"_s, u"ね600 こ1900 done2000"_s},
            {u"s2"_s, 2, u"2026-05-12T16:00:10"_s, u"りんご"_s, u"り1000 ん2000 ご4900 done5000"_s},
            {u"s2"_s, 3, u"2026-05-12T16:00:30"_s, u"ねこ"_s, u"れ/ね1000 restart ね800 こ2900 done3000"_s},
            {u"s2"_s, 4, u"2026-05-12T23:59:59"_s, u"さかな"_s, u"さ1500 か4000 な6900 done7000"_s, u"dwell"_s},
            {u"s3"_s, 1, u"2026-05-20T09:00:00"_s, u"さかな"_s, u"ち/さ2000 restart さ1000 か5000 な8800 done9000"_s,
             u"one-switch"_s},
            {u"s3"_s, 2, u"2026-05-20T09:00:30"_s, u"ねこ"_s, u"ね700"_s, u"one-switch"_s},
        },
        "not,a,record,line\n2026-05-20T09:00:32.000+09:00,s3,2,tile,ねこ.jpg,ねこ,,,,,,こ,こ,1");
}

QString cellText(QString html)
{
    html.remove(QRegularExpression(u"<[^>]*>"_s));
    html.replace(u"&lt;"_s, u"<"_s).replace(u"&gt;"_s, u">"_s).replace(u"&quot;"_s, u"\""_s);
    html.replace(u"&#39;"_s, u"'"_s).replace(u"&amp;"_s, u"&"_s);
    return html.simplified();
}

// The body rows of the table in section `id`, each as its cells' text.
QList<QStringList> tableRows(const QString& html, const QString& id)
{
    const qsizetype start = html.indexOf(u"<section id=\""_s + id + u'"');
    const QString section = html.mid(start, html.indexOf(u"</section>"_s, start) - start);
    const QString body = section.section(u"<tbody>"_s, 1).section(u"</tbody>"_s, 0, 0);
    QList<QStringList> rows;
    for (const QString& row : body.split(u"</tr>"_s, Qt::SkipEmptyParts)) {
        QStringList cells;
        for (const QString& cell : row.split(u"</td>"_s, Qt::SkipEmptyParts))
            if (!cellText(cell).isEmpty()) cells << cellText(cell);
        if (!cells.isEmpty()) rows << cells;
    }
    return rows;
}

QString fixedPage()
{
    PageInput input{u"/home/a/ことば"_s, u"/home/a/ことば/mokuri-record.csv"_s, true, summaryOf(fixedRecord()), {}};
    return QString::fromUtf8(reportPage(input));
}

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run runReport(const QStringList& args, const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(MOKURI_REPORT_BIN), args);
    if (!p.waitForFinished(60000)) return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What a folder holds, with each file's bytes, to see that a report left it alone.
QMap<QString, QByteArray> folderContents(const QString& folder)
{
    QMap<QString, QByteArray> out;
    for (const QFileInfo& fi : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        out[fi.fileName()] = readFile(fi.filePath());
    return out;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    QProcessEnvironment env_;

private slots:
    void initTestCase()
    {
        QVERIFY(home_.isValid());
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(u"HOME"_s, home_.path());
        env_.insert(u"XDG_CACHE_HOME"_s, home_.filePath(u"cache"_s));
        env_.insert(u"XDG_STATE_HOME"_s, home_.filePath(u"state"_s));
        env_.insert(u"XDG_DATA_HOME"_s, home_.filePath(u"data"_s));
    }

    void medianOfKnownTimes_data()
    {
        QTest::addColumn<std::vector<qint64>>("times");
        QTest::addColumn<qint64>("median");
        QTest::newRow("none") << std::vector<qint64>{} << qint64(-1);
        QTest::newRow("only unknown") << std::vector<qint64>{-1, -1} << qint64(-1);
        QTest::newRow("one") << std::vector<qint64>{5000} << qint64(5000);
        QTest::newRow("odd, unsorted") << std::vector<qint64>{3000, 1000, 2000} << qint64(2000);
        QTest::newRow("even: between the middle two") << std::vector<qint64>{7000, 1000, 3000, 9000} << qint64(5000);
        QTest::newRow("unknown ones skipped") << std::vector<qint64>{1000, -1, 3000, 2000} << qint64(2000);
        QTest::newRow("a slow outlier") << std::vector<qint64>{2000, 2100, 600000} << qint64(2100);
    }
    void medianOfKnownTimes()
    {
        QFETCH(std::vector<qint64>, times);
        QFETCH(qint64, median);
        QCOMPARE(medianMs(times), median);
    }

    void percentAndTimeAsRead_data()
    {
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("whole");
        QTest::addColumn<int>("expected"); // -1: shown as a dash
        QTest::newRow("two of three") << 2 << 3 << 67;
        QTest::newRow("one of eight rounds half up") << 1 << 8 << 13;
        QTest::newRow("all") << 5 << 5 << 100;
        QTest::newRow("nothing finished") << 0 << 0 << -1;
    }
    void percentAndTimeAsRead()
    {
        QFETCH(int, part);
        QFETCH(int, whole);
        QFETCH(int, expected);
        QCOMPARE(percent(part, whole).value_or(-1), expected);
    }

    void secondsAsRead_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("unknown") << qint64(-1) << u"—"_s;
        QTest::newRow("tenths") << qint64(4550) << u"4.5秒"_s;
        QTest::newRow("just under a minute") << qint64(59940) << u"59.9秒"_s;
        QTest::newRow("minutes and seconds") << qint64(61000) << u"1分01秒"_s;
        QTest::newRow("seconds rounded") << qint64(125600) << u"2分06秒"_s;
    }
    void secondsAsRead()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(secondsText(ms), text);
    }

    void questionsAreSessionAndNumber()
    {
        const std::vector<AskedQuestion> q = summaryOf(fixedRecord()).questions();
        QCOMPARE(q.size(), size_t(9));
        // s3's second question has its tile but its torn line and no end.
        QCOMPARE(q.back().session, u"s3"_s);
        QCOMPARE(q.back().tiles, 1);
        QCOMPARE(q.back().end, QuestionEnd::Open);
        // Left after a wrong tile: asked, not finished, not right at the first try.
        QCOMPARE(q[2].end, QuestionEnd::Left);
        QVERIFY(!q[2].firstTry());
    }

    // A long record is read a slice at a time; no question may be cut in two at a slice's end.
    void longRecordReadInSlices()
    {
        QList<Played> played;
        for (int session = 0; played.size() < 30000; ++session)
            for (int question = 1; question <= 50; ++question)
                played << Played{u"long-%1"_s.arg(session), question, u"2026-06-01T10:00:00"_s, u"ぱんだ"_s,
                                 question % 3 ? u"ぱ900 ん1800 だ2700 done2800"_s : u"ぱ900 あ/ん1800 restart left"_s};
        const QByteArray bytes = recordOf(played);
        QVERIFY(bytes.size() > 3 * (1 << 20));
        RecordSummary oneByOne;
        for (const RecordLine& l : parseRecord(bytes)) oneByOne.add(l);
        const RecordSummary sliced = summaryOf(bytes);
        QCOMPARE(sliced.questions().size(), size_t(30000));
        QVERIFY(sliced.questions() == oneByOne.questions());
        // Every third question of a session, 16 of its 50, took あ for ん.
        QCOMPARE(sliced.confusionPairs().size(), size_t(1));
        QCOMPARE(sliced.confusionPairs().at(0).count, 600 * 16);
    }

    void summaryOnThePage()
    {
        const QString html = fixedPage();
        const qsizetype start = html.indexOf(u"<div class=\"summary\">"_s);
        QVERIFY(start >= 0);
        QStringList summary;
        for (const QString& box : html.mid(start, html.indexOf(u"</div></div>"_s, start) - start).split(u"</div>"_s))
            summary << cellText(box);
        QCOMPARE(summary, (QStringList{u"練習した日 3日"_s, u"出した問題 9問"_s, u"できたことば 7回"_s,
                                       u"1回目で正解 57%"_s}));
        QVERIFY(html.contains(u"2026年5月11日(月) 〜 2026年5月20日(水)"_s));
    }

    void tablesOnThePage_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QList<QStringList>>("rows");
        // Newest day first; the question started before midnight counts on its own day.
        QTest::newRow("per day") << u"days"_s
                                 << QList<QStringList>{
                                        {u"5月20日(水)"_s, u"2語: さかな、ねこ"_s, u"スイッチ1つ"_s, u"2"_s, u"1"_s, u"0%"_s},
                                        {u"5月12日(火)"_s, u"3語: ねこ、りんご、さかな"_s, u"クリック、視線・滞留"_s, u"4"_s,
                                         u"4"_s, u"75%"_s},
                                        {u"5月11日(月)"_s, u"2語: りんご、ねこ"_s, u"クリック"_s, u"3"_s, u"2"_s, u"50%"_s},
                                    };
        // Slowest first by the median of the finished questions' times.
        QTest::newRow("per word") << u"words"_s
                                  << QList<QStringList>{
                                         {u"さかな"_s, u"2"_s, u"2"_s, u"50%"_s, u"1"_s, u"8.0秒"_s},
                                         {u"りんご"_s, u"3"_s, u"2"_s, u"100%"_s, u"1"_s, u"4.5秒"_s},
                                         {u"ねこ"_s, u"4"_s, u"3"_s, u"33%"_s, u"2"_s, u"3.0秒"_s},
                                     };
        QTest::newRow("letters taken by mistake") << u"letters"_s
                                                  << QList<QStringList>{
                                                         {u"れ"_s, u"2"_s, u"ね ×2"_s},
                                                         {u"ち"_s, u"1"_s, u"さ ×1"_s},
                                                         {u"る"_s, u"1"_s, u"ん ×1"_s},
                                                     };
        QTest::newRow("per week") << u"weeks"_s
                                  << QList<QStringList>{
                                         {u"2026年5月18日(月)の週"_s, u"1回"_s, u"9.0秒"_s},
                                         {u"2026年5月11日(月)の週"_s, u"6回"_s, u"4.5秒"_s},
                                     };
    }
    void tablesOnThePage()
    {
        QFETCH(QString, section);
        QFETCH(QList<QStringList>, rows);
        QCOMPARE(tableRows(fixedPage(), section), rows);
    }

    void chartHasABarPerWeekWithPractice()
    {
        const QString html = fixedPage();
        const QString svg = html.section(u"<svg"_s, 1).section(u"</svg>"_s, 0, 0);
        const QRegularExpression bar(u"<rect [^>]*height=\"([0-9.]+)\"[^>]*><title>([^<]*)</title>"_s);
        QStringList titles;
        QList<double> heights;
        for (auto it = bar.globalMatch(svg); it.hasNext();) {
            const auto m = it.next();
            titles << m.captured(2);
            heights << m.captured(1).toDouble();
        }
        QCOMPARE(titles, (QStringList{u"5月11日の週: 4.5秒 (できたことば 6回)"_s, u"5月18日の週: 9.0秒 (できたことば 1回)"_s}));
        // The bars' heights are in proportion to their times.
        QVERIFY2(qAbs(heights[1] / heights[0] - 2.0) < 0.01, qPrintable(u"%1 %2"_s.arg(heights[0]).arg(heights[1])));
    }

    void namesAreTextNotMarkup()
    {
        const QByteArray record = recordOf({{u"s"_s, 1, u"2026-05-11T10:00:00"_s, u"<b>&ねこ"_s, u"ね500 done900"_s}});
        const QString html = QString::fromUtf8(reportPage({u"/tmp/<i>"_s, u"/tmp/<i>/x.csv"_s, true, summaryOf(record), {}}));
        QVERIFY(!html.contains(u"<b>&"_s));
        QVERIFY(!html.contains(u"<i>"_s));
        QCOMPARE(tableRows(html, u"words"_s).value(0).value(0), u"<b>&ねこ"_s);
    }

    void recordWithoutQuestionsSaysSo_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("header only") << recordHeader();
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("a torn line") << recordHeader() + "2026-05-11T10:00:00.000+09:00,s,1,quest";
    }
    void recordWithoutQuestionsSaysSo()
    {
        QFETCH(QByteArray, bytes);
        const QString html = QString::fromUtf8(reportPage({u"/f"_s, u"/f/mokuri-record.csv"_s, true, summaryOf(bytes), {}}));
        QVERIFY(html.contains(u"まだ問題の記録がありません"_s));
        QVERIFY(!html.contains(u"<section id=\"days\""_s));
        QVERIFY(!html.contains(u"<svg"_s));
    }

    // What spreadsheets, later versions and damage make of a record: each is still read as
    // the CSV it is, and what cannot be read is counted, never taken for "no record".
    void recordsAsOthersLeaveThem_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("skipped");
        const QByteArray plain = recordOf({{u"s1"_s, 1, u"2026-05-11T10:00:00"_s, u"りんご"_s, u"り800 done900"_s},
                                           {u"s1"_s, 2, u"2026-05-11T10:00:20"_s, u"ねこ"_s, u"れ/ね1200 restart left"_s}});
        QByteArray later;  // a column among today's and one after them, with a quoted comma
        for (const QByteArray& line : plain.trimmed().split('\n')) {
            QList<QByteArray> fields = line.split(',');
            fields.insert(4, later.isEmpty() ? "mood" : "\"happy, really\"");
            later += fields.join(',') + (later.isEmpty() ? ",device\n" : ",tablet\n");
        }
        QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        QTest::newRow("as written, CR LF") << QByteArray(plain).replace("\n", "\r\n") << 2 << 0;
        QTest::newRow("a name with a line break")
            << recordOf({{u"s1"_s, 1, u"2026-05-11T10:00:00"_s, u"い\nぬ"_s, u"い800 ぬ900 done900"_s}}) << 1 << 0;
        QTest::newRow("a later version's columns") << later << 2 << 0;
        QTest::newRow("tab-separated UTF-16") << QByteArray(utf16.encode(QString::fromUtf8(plain).replace(u',', u'\t')))
                                               << 2 << 0;
        QTest::newRow("damaged lines") << plain + "garbage\n2026-99-99T10:00:00,s1,3,question,,,,,,,,,,,,,\n" << 2 << 2;
        QTest::newRow("only damaged lines") << recordHeader() + "x,y\n\x01\x02\n" << 0 << 2;
        QTest::newRow("a header without the event column")
            << "time,session,question,picture\n2026-05-11T10:00:00.000+09:00,s1,1,いぬ.jpg\n"_ba << 0 << 1;
    }
    void recordsAsOthersLeaveThem()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, questions);
        QFETCH(int, skipped);
        const RecordSummary summary = summaryOf(bytes);
        QCOMPARE(int(summary.questions().size()), questions);
        QCOMPARE(int(summary.reading.skipped), skipped);
        const QString html = QString::fromUtf8(reportPage({u"/f"_s, u"/f/mokuri-record.csv"_s, true, summary, {}}));
        QVERIFY(!html.contains(u"まだ問題の記録がありません"_s));
        QCOMPARE(html.contains(u"id=\"skipped\""_s), skipped > 0);
    }

    // The page replaces only a page: never the record it reads, another record or a device.
    void anOutputThatIsNoPageIsRefused_data()
    {
        QTest::addColumn<QString>("output");
        for (const QString& o : {u"RECORD"_s, u"OTHER/link.csv"_s, u"OTHER/mokuri-record.csv"_s, u"/dev/null"_s, u"OTHER"_s})
            QTest::newRow(qPrintable(o)) << o;
    }
    void anOutputThatIsNoPageIsRefused()
    {
        QFETCH(QString, output);
        QTemporaryDir folder, other;
        const QString record = folder.filePath(kRecordFileName);
        writeFile(record, fixedRecord());
        writeFile(other.filePath(kRecordFileName), recordHeader());
        QVERIFY(QFile::link(record, other.filePath(u"link.csv"_s)));
        output.replace(u"RECORD"_s, record).replace(u"OTHER"_s, other.path());
        const Run run = runReport({u"--no-open"_s, u"-o"_s, output, folder.path()}, env_);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(u"will not write the page"_s), qPrintable(run.err));
        QCOMPARE(readFile(record), fixedRecord());
        QCOMPARE(readFile(other.filePath(kRecordFileName)), recordHeader());
        QVERIFY(!QFileInfo(u"/dev/null"_s).isFile());
    }

    // The XDG rules: a relative path in a variable is ignored, and without HOME the
    // account's home folder is used, never the root or the current folder.
    void userFoldersFollowTheXdgRules_data()
    {
        QTest::addColumn<QByteArray>("home");
        QTest::addColumn<QByteArray>("cache");
        QTest::addColumn<QString>("expected");
        const QString account = QDir(QFile::decodeName(::getpwuid(::geteuid())->pw_dir)).filePath(u".cache"_s);
        QTest::newRow("both set") << "/h"_ba << "/c"_ba << u"/c"_s;
        QTest::newRow("cache unset") << "/h"_ba << QByteArray() << u"/h/.cache"_s;
        QTest::newRow("cache relative") << "/h"_ba << "c"_ba << u"/h/.cache"_s;
        QTest::newRow("HOME unset") << QByteArray() << QByteArray() << account;
        QTest::newRow("HOME relative") << "h"_ba << "c"_ba << account;
    }
    void userFoldersFollowTheXdgRules()
    {
        QFETCH(QByteArray, home);
        QFETCH(QByteArray, cache);
        const QByteArray oldHome = qgetenv("HOME");
        home.isNull() ? qunsetenv("HOME") : qputenv("HOME", home);
        cache.isNull() ? qunsetenv("XDG_CACHE_HOME") : qputenv("XDG_CACHE_HOME", cache);
        const QString got = xdgFolder("XDG_CACHE_HOME", u".cache"_s);
        qputenv("HOME", oldHome);
        qunsetenv("XDG_CACHE_HOME");
        QTEST(got, "expected");
    }

    void helpAndVersionDoNothingElse_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("start");
        QTest::newRow("--help") << u"--help"_s << u"Usage: mokuri-report"_s;
        QTest::newRow("-h") << u"-h"_s << u"Usage: mokuri-report"_s;
        QTest::newRow("--version") << u"--version"_s << u"mokuri-report "_s;
    }
    void helpAndVersionDoNothingElse()
    {
        QFETCH(QString, option);
        QFETCH(QString, start);
        QTemporaryDir folder;
        writeFile(folder.filePath(kRecordFileName), fixedRecord());
        const Run run = runReport({option, folder.path()}, env_);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.startsWith(start), qPrintable(run.out));
        QVERIFY(!QFileInfo::exists(home_.filePath(u"cache/mokuri"_s)));
    }

    // The command line as adults and scripts give it. FOLDER stands for a folder with a
    // record, PAGE for a new file in the home folder.
    void commandLines_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("environment");  // NAME=value, or empty
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");      // what stderr holds; empty: nothing at all
        QTest::addColumn<QString>("written");  // the page written, by its place; empty: none
        const QString page = u"PAGE"_s, folder = u"FOLDER"_s, noOpen = u"--no-open"_s, o = u"-o"_s;
        QTest::newRow("unknown option") << QStringList{u"--open-later"_s} << QString() << 2
                                        << u"mokuri-report: Unknown option 'open-later'."_s << QString();
        QTest::newRow("-o without a file") << QStringList{folder, o} << QString() << 2
                                           << u"mokuri-report: Missing value after '-o'."_s
                                           << QString();
        QTest::newRow("two folders") << QStringList{folder, folder} << QString() << 2 << u"Usage: mokuri-report"_s
                                     << QString();
        QTest::newRow("the last -o counts") << QStringList{noOpen, o, u"/nonexistent/x.html"_s, o, page, folder}
                                            << QString() << 0 << QString() << page;
        QTest::newRow("a folder after --") << QStringList{noOpen, o, page, u"--"_s, u"-weird"_s} << QString() << 1
                                           << u"mokuri-report: no such folder: "_s << QString();
        QTest::newRow("warnings quietened") << QStringList{noOpen, o, page, u"/nonexistent"_s}
                                            << u"QT_LOGGING_RULES=mokuri.tools.warning=false"_s << 1 << QString() << QString();
        QTest::newRow("other layers quietened") << QStringList{noOpen, o, page, u"/nonexistent"_s}
                                                << u"QT_LOGGING_RULES=mokuri.content.warning=false"_s << 1
                                                << u"mokuri-report: no such folder: /nonexistent"_s << QString();
        QTest::newRow("no desktop to open it on") << QStringList{o, page, folder} << QString() << 1
                                                  << u"mokuri-report: no desktop to show the page"_s << page;
        QTest::newRow("a desktop that does not answer") << QStringList{o, page, folder} << u"DISPLAY=:9173"_s << 1
                                                        << u"mokuri-report: could not open the page"_s << page;
    }
    void commandLines()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, environment);
        QFETCH(QString, written);
        QTemporaryDir folder;
        writeFile(folder.filePath(kRecordFileName), fixedRecord());
        const QString page = home_.filePath(u"page-%1.html"_s.arg(QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'-')));
        for (QString& a : args) a = a == u"FOLDER"_s ? folder.path() : a == u"PAGE"_s ? page : a;
        QProcessEnvironment env = env_;
        env.remove(u"DISPLAY"_s);
        env.remove(u"WAYLAND_DISPLAY"_s);
        env.remove(u"QT_QPA_PLATFORM"_s);  // the program's own choice of window system
        if (!environment.isEmpty()) env.insert(environment.section(u'=', 0, 0), environment.section(u'=', 1));
        const Run run = runReport(args, env);
        QTEST(run.exitCode, "status");
        QFETCH(QString, err);
        if (err.isEmpty()) QCOMPARE(run.err, QString());
        else QVERIFY2(run.err.contains(err), qPrintable(run.err));
        QCOMPARE(QFileInfo::exists(page), !written.isEmpty());
    }

    void pageWrittenToTheCacheAndNamed()
    {
        QTemporaryDir folder;
        writeFile(folder.filePath(kRecordFileName), fixedRecord());
        writeFile(folder.filePath(u"Word.txt"_s), "0,1,0,0,1,1\r\n");
        writeFile(folder.filePath(u"Fname.txt"_s), "りんご.jpg,1\r\n");
        const QMap<QString, QByteArray> before = folderContents(folder.path());
        const Run run = runReport({u"--no-open"_s, folder.path()}, env_);
        QCOMPARE(run.exitCode, 0);
        const QString page = run.out.trimmed();
        QCOMPARE(QFileInfo(page).absolutePath(), home_.filePath(u"cache/mokuri"_s));
        QVERIFY2(QFileInfo(page).fileName().startsWith(u"report-"_s + QFileInfo(folder.path()).fileName() + u'-'),
                 qPrintable(page));
        QVERIFY(page.endsWith(u".html"_s));
        const QString html = QString::fromUtf8(readFile(page));
        QCOMPARE(tableRows(html, u"words"_s).size(), 3);
        // The report reads the folder and changes nothing there.
        QCOMPARE(folderContents(folder.path()), before);
    }

    void recordReadFromTheStateFolder()
    {
        // A folder the game could not write keeps its record in the state folder.
        QTemporaryDir folder;
        QProcessEnvironment env = env_;
        qputenv("XDG_STATE_HOME", home_.filePath(u"state"_s).toUtf8());
        const QString inState = recordInStateFolder(folder.path());
        qunsetenv("XDG_STATE_HOME");
        writeFile(inState, fixedRecord());
        const QString out = home_.filePath(u"state-page.html"_s);
        const Run run = runReport({u"--no-open"_s, u"-o"_s, out, folder.path()}, env);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.trimmed(), out);
        const QString html = QString::fromUtf8(readFile(out));
        QVERIFY(html.contains(inState.toHtmlEscaped()));
        QCOMPARE(tableRows(html, u"days"_s).size(), 3);
    }

    void noRecordGivesAPageSayingSo()
    {
        QTemporaryDir folder;
        const QString out = home_.filePath(u"empty-page.html"_s);
        const Run run = runReport({u"--no-open"_s, u"-o"_s, out, folder.path()}, env_);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.contains(u"no record yet"_s));
        QVERIFY(QString::fromUtf8(readFile(out)).contains(u"まだ問題の記録がありません"_s));
        QVERIFY(QDir(folder.path()).isEmpty());
    }

    void renderedInChromium()
    {
        const QString chromium = QStandardPaths::findExecutable(u"chromium"_s);
        if (chromium.isEmpty()) QSKIP("chromium is not installed (apt-get install chromium); the page is not rendered");
        QTemporaryDir dir;
        const QString page = dir.filePath(u"report.html"_s);
        writeFile(page, fixedPage().toUtf8());
        const QStringList common = {u"--headless"_s, u"--no-sandbox"_s, u"--disable-gpu"_s, u"--disable-quic"_s,
                                    u"--no-first-run"_s, u"--disable-background-networking"_s,
                                    u"--disable-component-update"_s, u"--disable-sync"_s, u"--hide-scrollbars"_s,
                                    u"--enable-logging=stderr"_s, u"--v=0"_s};
        // One start of the browser both draws the page and dumps what it loaded.
        const QString shot = dir.filePath(u"shot.png"_s);
        QProcess p;
        p.start(chromium, common + QStringList{u"--user-data-dir="_s + dir.filePath(u"profile"_s),
                                               u"--window-size=800,1100"_s, u"--screenshot="_s + shot,
                                               u"--dump-dom"_s, QUrl::fromLocalFile(page).toString()});
        const bool finished = p.waitForFinished(60000);
        if (!finished) p.kill();
        const QString dom = QString::fromUtf8(p.readAllStandardOutput());
        const QString log = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, qPrintable(log));
        // Chromium logs the page's console: a blocked load or a bad style would be there.
        for (const QString& line : log.split(u'\n'))
            QVERIFY2(!line.contains(u":CONSOLE"_s), qPrintable(line));
        for (const QString& text : {u"日ごとの練習"_s, u"ことばごと"_s, u"まちがえて取った文字"_s, u"1回目で正解 <b>57%</b>"_s})
            QVERIFY2(dom.contains(text), qPrintable(text));
        QVERIFY(dom.contains(u"<svg"_s));

        QImage image(shot);
        QVERIFY2(!image.isNull(), qPrintable(shot));
        image = image.convertToFormat(QImage::Format_RGB32);
        int inked = 0, green = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                inked += c != Qt::white;
                green += qAbs(c.red() - 0x3d) < 12 && qAbs(c.green() - 0x8a) < 12 && qAbs(c.blue() - 0x5a) < 12;
            }
        const int pixels = image.width() * image.height();
        QVERIFY2(inked > pixels / 50, qPrintable(u"%1 of %2 pixels not white"_s.arg(inked).arg(pixels)));
        // The bars' green: the style was applied.
        QVERIFY2(green > 500, qPrintable(u"%1 pixels of the bars' green"_s.arg(green)));
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "test_report.moc"
