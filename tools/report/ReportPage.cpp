// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/report/ReportPage.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace mokuri::report {

namespace {

const char16_t* const kWeekdays[] = {u"月", u"火", u"水", u"木", u"金", u"土", u"日"};

// Print colours as on screen: the bars carry the numbers' meaning.
const char kStyle[] = R"(
@page { size: A4; margin: 12mm; }
* { -webkit-print-color-adjust: exact; print-color-adjust: exact; box-sizing: border-box; }
body { font-family: "IPAPGothic", "IPAGothic", "Noto Sans CJK JP", "Hiragino Sans", sans-serif;
  color: #222; background: #fff; margin: 0 auto; max-width: 186mm; padding: 0 4mm; font-size: 10pt; line-height: 1.45; }
section { break-after: page; page-break-after: always; padding: 2mm 0 6mm; }
section:last-of-type { break-after: auto; page-break-after: auto; }
@media screen { section { border-bottom: 1px dashed #bbb; margin-bottom: 6mm; } }
h1 { font-size: 17pt; margin: 4mm 0 2mm; }
h2 { font-size: 13pt; margin: 2mm 0 2mm; padding-bottom: 1mm; border-bottom: 2px solid #3d8a5a; }
p { margin: 1mm 0 2mm; }
.note { color: #555; font-size: 8.5pt; }
.summary { display: flex; flex-wrap: wrap; gap: 2mm; margin: 2mm 0 4mm; }
.summary div { border: 1px solid #cfe3d6; background: #f3f9f5; border-radius: 2mm; padding: 1.5mm 3mm; }
.summary b { font-size: 13pt; }
table { border-collapse: collapse; width: 100%; }
th { text-align: left; font-weight: bold; background: #eef5f0; font-size: 9pt; }
th, td { border-bottom: 1px solid #ddd; padding: 0.7mm 1.8mm; vertical-align: middle; }
td.n, th.n { text-align: right; white-space: nowrap; font-variant-numeric: tabular-nums; }
td.w { font-size: 11pt; }
td.words { font-size: 9pt; max-width: 0; width: 100%; overflow: hidden; text-overflow: ellipsis; white-space: nowrap; }
td.day, td.access { white-space: nowrap; }
td.letter { font-size: 15pt; text-align: center; }
td.instead { font-size: 12pt; }
td.instead span { margin-right: 4mm; white-space: nowrap; }
td.instead small { color: #555; font-size: 8.5pt; }
.track { display: inline-block; width: 22mm; height: 3mm; background: #e6e6e6; vertical-align: middle; margin-right: 1.5mm; }
.bar { display: block; height: 100%; background: #3d8a5a; }
svg { display: block; width: 100%; height: auto; }
.empty { font-size: 13pt; margin: 10mm 0; }
footer { color: #777; font-size: 8pt; margin-top: 4mm; }
)";

QString n(qint64 v) { return QString::number(v); }

QString dayText(const QDate& d, bool withYear)
{
    const QString wd = QString::fromUtf16(kWeekdays[d.dayOfWeek() - 1]);
    if (withYear) return n(d.year()) + u'/' + n(d.month()) + u'/' + n(d.day()) + u'(' + wd + u')';
    return n(d.month()) + u'月' + n(d.day()) + u'日' + u'(' + wd + u')';
}

QString longDay(const QDate& d)
{
    return n(d.year()) + u'年' + dayText(d, false);
}

QString percentCell(std::optional<int> p)
{
    if (!p) return QStringLiteral("<td class=\"n\">—</td>");
    return QStringLiteral("<td class=\"n\"><span class=\"track\"><span class=\"bar\" style=\"width:%1%\"></span>"
                          "</span>%1%</td>")
        .arg(n(*p));
}

QString wordsCell(const QStringList& words)
{
    constexpr int kShown = 4;
    QStringList shown;
    for (qsizetype i = 0; i < std::min<qsizetype>(words.size(), kShown); ++i) shown << htmlEscaped(words[i]);
    QString text = shown.join(u"、");
    if (words.size() > kShown) text += QStringLiteral(" ほか%1語").arg(words.size() - kShown);
    return text;
}

QString truncatedNote(size_t total, int shown, const QString& unit)
{
    if (total <= size_t(shown)) return {};
    return QStringLiteral("<p class=\"note\">全部で%1%3のうち、%2%3を表示しています。</p>")
        .arg(n(qint64(total)), n(shown), unit);
}

// A section's start, and the sentence it ends with when the record has nothing for it.
QString sectionStart(const QString& id, const QString& title)
{
    return QStringLiteral("<section id=\"%1\">\n<h2>%2</h2>\n").arg(id, title);
}
QString sectionWithOnly(const QString& start, const QString& sentence)
{
    return start + QStringLiteral("<p>") + sentence + QStringLiteral("</p>\n</section>\n");
}

// A table's head; a column named with a leading '#' holds numbers.
QString tableStart(const QStringList& columns)
{
    QString s = QStringLiteral("<table><thead><tr>");
    for (const QString& c : columns)
        s += c.startsWith(u'#') ? QStringLiteral("<th class=\"n\">") + c.mid(1) + QStringLiteral("</th>")
                                : QStringLiteral("<th>") + c + QStringLiteral("</th>");
    return s + QStringLiteral("</tr></thead><tbody>\n");
}

// Lines the record holds but the page does not count, and why; nothing when every line was read.
QString skippedNote(const RecordReading& r)
{
    if (r.missingColumns)
        return QStringLiteral("<p class=\"note\" id=\"skipped\">記録のファイルの見出しの行に、time・session・question・event "
                              "の列がそろっていないため、どの行も読めませんでした。</p>\n");
    if (r.skipped == 0) return {};
    return QStringLiteral("<p class=\"note\" id=\"skipped\">記録のうち%1行は、壊れているか、ほかの形式の行なので、"
                          "数えていません。</p>\n")
        .arg(n(r.skipped));
}

// How the child took the tiles that day, in the adult's words.
QString accessCell(const QStringList& ways)
{
    QStringList names;
    for (const QString& way : ways) {
        if (way == u"touch") names << QStringLiteral("タッチ");
        else if (way == u"click") names << QStringLiteral("クリック");
        else if (way == u"dwell") names << QStringLiteral("視線・滞留");
        else if (way == u"one-switch") names << QStringLiteral("スイッチ1つ");
        else if (way == u"two-switch") names << QStringLiteral("スイッチ2つ");
        else names << htmlEscaped(way);
    }
    return names.isEmpty() ? QStringLiteral("—") : names.join(QStringLiteral("、"));
}

QString daySection(const std::vector<DayRow>& days, const std::vector<AskedQuestion>& questions, const QString& note)
{
    int done = 0, firstTry = 0;
    for (const AskedQuestion& q : questions) {
        done += q.end == QuestionEnd::Done;
        firstTry += q.firstTry();
    }
    const bool years = days.front().day.year() != days.back().day.year();
    QString s = QStringLiteral("<section id=\"days\">\n<h1>モクリ 練習の記録</h1>\n");
    s += QStringLiteral("<p>%1 〜 %2</p>\n").arg(longDay(days.front().day), longDay(days.back().day));
    s += QStringLiteral("<div class=\"summary\"><div>練習した日 <b>%1</b>日</div><div>出した問題 <b>%2</b>問</div>"
                        "<div>できたことば <b>%3</b>回</div><div>1回目で正解 <b>%4</b></div></div>\n")
             .arg(n(qint64(days.size())), n(qint64(questions.size())), n(done),
                  percent(firstTry, done) ? n(*percent(firstTry, done)) + u'%' : QStringLiteral("—"));
    s += note;
    s += QStringLiteral("<h2>日ごとの練習(新しい順)</h2>\n<p class=\"note\">「1回目で正解」は、できたことばのうち、"
                        "まちがった文字を一度も取らずにできた割合です。</p>\n");
    s += tableStart({QStringLiteral("日付"), QStringLiteral("練習したことば"), QStringLiteral("操作"), QStringLiteral("#問題"),
                     QStringLiteral("#できた"), QStringLiteral("#1回目で正解")});
    // The latest days: what a parent looks at, and what fits the printed page.
    const size_t first = days.size() > size_t(kDayRows) ? days.size() - size_t(kDayRows) : 0;
    for (size_t i = days.size(); i-- > first;) {
        const DayRow& d = days[i];
        s += QStringLiteral("<tr><td class=\"day\">%1</td><td class=\"words\">%2語: %3</td><td class=\"access\">%4</td>"
                            "<td class=\"n\">%5</td><td class=\"n\">%6</td>%7</tr>\n")
                 .arg(dayText(d.day, years), n(d.words.size()), wordsCell(d.words), accessCell(d.access), n(d.asked),
                      n(d.done), percentCell(percent(d.firstTry, d.done)));
    }
    s += QStringLiteral("</tbody></table>\n");
    s += truncatedNote(days.size(), kDayRows, QStringLiteral("日"));
    return s + QStringLiteral("</section>\n");
}

QString wordSection(const std::vector<WordRow>& words)
{
    QString s = sectionStart(QStringLiteral("words"), QStringLiteral("ことばごと(時間のかかった順)")) +
                QStringLiteral("<p class=\"note\">「かかった時間」は、最後の問題の声が終わってから、ことばが"
                               "できあがるまでの時間の中央値です。</p>\n");
    s += tableStart({QStringLiteral("ことば"), QStringLiteral("#問題"), QStringLiteral("#できた"),
                     QStringLiteral("#1回目で正解"), QStringLiteral("#やり直し"), QStringLiteral("#かかった時間")});
    for (size_t i = 0; i < std::min(words.size(), size_t(kWordRows)); ++i) {
        const WordRow& w = words[i];
        s += QStringLiteral("<tr><td class=\"w\">%1</td><td class=\"n\">%2</td><td class=\"n\">%3</td>%4"
                            "<td class=\"n\">%5</td><td class=\"n\">%6</td></tr>\n")
                 .arg(htmlEscaped(w.word), n(w.asked), n(w.done), percentCell(percent(w.firstTry, w.done)),
                      n(w.restarts), secondsText(w.medianDoneMs));
    }
    s += QStringLiteral("</tbody></table>\n");
    s += truncatedNote(words.size(), kWordRows, QStringLiteral("語"));
    return s + QStringLiteral("</section>\n");
}

QString letterSection(const std::vector<MistakenLetter>& letters)
{
    QString s = sectionStart(QStringLiteral("letters"), QStringLiteral("まちがえて取った文字"));
    if (letters.empty()) return sectionWithOnly(s, QStringLiteral("まちがえて取った文字はありません。"));
    s += QStringLiteral("<p class=\"note\">よく取りまちがえる文字と、そのとき本当に取るはずだった文字"
                        "(×のあとは回数)。</p>\n");
    s += tableStart({QStringLiteral("取った文字"), QStringLiteral("#回数"), QStringLiteral("本当はこの文字")});
    for (size_t i = 0; i < std::min(letters.size(), size_t(kLetterRows)); ++i) {
        const MistakenLetter& m = letters[i];
        QString instead;
        for (size_t j = 0; j < std::min<size_t>(m.instead.size(), 6); ++j)
            instead += QStringLiteral("<span>%1 <small>×%2</small></span>")
                           .arg(htmlEscaped(m.instead[j].expected), n(m.instead[j].count));
        if (m.instead.size() > 6) instead += QStringLiteral("<small>ほか%1文字</small>").arg(n(qint64(m.instead.size()) - 6));
        s += QStringLiteral("<tr><td class=\"letter\">%1</td><td class=\"n\">%2</td><td class=\"instead\">%3</td>"
                            "</tr>\n")
                 .arg(htmlEscaped(m.taken), n(m.count), instead);
    }
    s += QStringLiteral("</tbody></table>\n");
    s += truncatedNote(letters.size(), kLetterRows, QStringLiteral("文字"));
    return s + QStringLiteral("</section>\n");
}

// A step for the time axis that gives four to eight lines.
int axisStepSeconds(double maxSeconds)
{
    for (int step : {1, 2, 5, 10, 15, 20, 30, 60, 120, 300, 600})
        if (maxSeconds / step <= 8) return step;
    return 1200;
}

QString weekChart(const std::vector<WeekPoint>& weeks)
{
    constexpr double left = 58, right = 700, top = 16, bottom = 300, width = 720, height = 340;
    const QDate first = weeks.front().monday;
    const qint64 span = first.daysTo(weeks.back().monday) / 7 + 1;
    double maxSeconds = 1;
    for (const WeekPoint& w : weeks) maxSeconds = std::max(maxSeconds, double(w.medianDoneMs) / 1000.0);
    const int step = axisStepSeconds(maxSeconds);
    const double yMax = std::ceil(maxSeconds / step) * step;
    const double slot = (right - left) / double(span);
    const double barWidth = std::max(2.0, std::min(28.0, slot * 0.7));
    auto y = [&](double seconds) { return bottom - (bottom - top) * seconds / yMax; };
    auto num = [](double v) { return QString::number(v, 'f', 1); };

    QString s = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %1 %2\" role=\"img\" "
                               "aria-label=\"週ごとの、ことば1つにかかった時間\" font-family=\"IPAPGothic, IPAGothic, sans-serif\">\n")
                    .arg(num(width), num(height));
    for (int v = 0; v <= int(yMax); v += step) {
        s += QStringLiteral("<line x1=\"%1\" x2=\"%2\" y1=\"%3\" y2=\"%3\" stroke=\"%4\"/>"
                            "<text x=\"%5\" y=\"%6\" font-size=\"12\" text-anchor=\"end\" fill=\"#444\">%7秒</text>\n")
                 .arg(num(left), num(right), num(y(v)), v ? QStringLiteral("#ddd") : QStringLiteral("#888"),
                      num(left - 6), num(y(v) + 4), n(v));
    }
    // A month's name under its first week, and no more labels than fit.
    int lastMonth = -1;
    double lastLabelX = -1e9;
    for (qint64 i = 0; i < span; ++i) {
        const QDate monday = first.addDays(7 * i);
        const double x = left + slot * (double(i) + 0.5);
        if (monday.month() != lastMonth && x - lastLabelX >= 34) {
            const bool year = lastMonth < 0 || monday.month() == 1;
            s += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"12\" text-anchor=\"middle\" fill=\"#444\">"
                                "%3%4月</text>\n")
                     .arg(num(x), num(bottom + 18), year ? n(monday.year()) + u'年' : QString(), n(monday.month()));
            lastLabelX = x;
        }
        lastMonth = monday.month();
    }
    const bool valueLabels = slot >= 40;
    for (const WeekPoint& w : weeks) {
        if (w.medianDoneMs < 0) continue;
        const double seconds = double(w.medianDoneMs) / 1000.0;
        const double x = left + slot * (double(first.daysTo(w.monday) / 7) + 0.5);
        s += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#3d8a5a\"><title>%5月%6日の週: "
                            "%7 (できたことば %8回)</title></rect>\n")
                 .arg(num(x - barWidth / 2), num(y(seconds)), num(barWidth), num(bottom - y(seconds)),
                      n(w.monday.month()), n(w.monday.day()), secondsText(w.medianDoneMs), n(w.done));
        if (valueLabels)
            s += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"11\" text-anchor=\"middle\" fill=\"#222\">%3"
                                "</text>\n")
                     .arg(num(x), num(y(seconds) - 4), secondsText(w.medianDoneMs));
    }
    s += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"12\" fill=\"#444\">週(月曜から日曜)</text>\n")
             .arg(num(left), num(height - 6));
    return s + QStringLiteral("</svg>\n");
}

QString weekSection(const std::vector<WeekPoint>& weeks)
{
    QString s = sectionStart(QStringLiteral("weeks"), QStringLiteral("週ごとの、ことば1つにかかった時間"));
    if (weeks.empty())
        return sectionWithOnly(s, QStringLiteral("できあがったことばがまだないので、グラフはありません。"));
    s += QStringLiteral("<p class=\"note\">その週にできたことばの、かかった時間の中央値。棒が低くなるほど、"
                        "早くできるようになっています。練習のなかった週は空いています。</p>\n");
    s += weekChart(weeks);
    s += tableStart({QStringLiteral("週"), QStringLiteral("#できたことば"), QStringLiteral("#かかった時間")});
    // The latest weeks as numbers as well, for whoever wants them exactly.
    const size_t from = weeks.size() > 8 ? weeks.size() - 8 : 0;
    for (size_t i = weeks.size(); i-- > from;)
        s += QStringLiteral("<tr><td>%1の週</td><td class=\"n\">%2回</td><td class=\"n\">%3</td></tr>\n")
                 .arg(longDay(weeks[i].monday), n(weeks[i].done), secondsText(weeks[i].medianDoneMs));
    return s + QStringLiteral("</tbody></table>\n</section>\n");
}

} // namespace

QString htmlEscaped(const QString& text) { return text.toHtmlEscaped().replace(u'\'', QStringLiteral("&#39;")); }

QString secondsText(qint64 ms)
{
    if (ms < 0) return QStringLiteral("—");
    if (ms < 60000) return QString::number(double(ms) / 1000.0, 'f', 1) + u'秒';
    const qint64 seconds = (ms + 500) / 1000;
    return n(seconds / 60) + u'分' + QStringLiteral("%1").arg(seconds % 60, 2, 10, QChar(u'0')) + u'秒';
}

QByteArray reportPage(const PageInput& in)
{
    const std::vector<AskedQuestion>& questions = in.record.questions();
    QString body;
    const RecordReading& reading = in.record.reading;
    if (questions.empty()) {
        body = QStringLiteral("<section id=\"empty\">\n<h1>モクリ 練習の記録</h1>\n");
        body += reading.missingColumns || reading.skipped > 0
                    ? QStringLiteral("<p class=\"empty\">記録のファイルはありますが、読める問題の記録がありませんでした。</p>\n") +
                          skippedNote(reading)
                    : QStringLiteral("<p class=\"empty\">まだ問題の記録がありません。モクリで遊ぶと、ここに記録が出ます。</p>\n");
        body += in.recordFound ? QStringLiteral("<p class=\"note\">記録のファイル: %1</p>\n").arg(htmlEscaped(in.recordPath))
                               : QStringLiteral("<p class=\"note\">記録のファイルはまだありません(%1)。</p>\n")
                                     .arg(htmlEscaped(in.recordPath));
        body += QStringLiteral("</section>\n");
    } else {
        body = daySection(perDay(questions), questions, skippedNote(reading)) + wordSection(perWord(questions)) +
               letterSection(mistakenLetters(in.record.confusionPairs())) + weekSection(perWeek(questions));
    }
    const QString html =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
                       // Nothing may be fetched: the page is read with no network and shows a child's record.
                       "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                       "style-src 'unsafe-inline'\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>モクリ 練習の記録 — %1</title>\n<style>%2</style>\n</head>\n<body>\n%3"
                       "<footer>フォルダ: %4<br>記録: %5<br>作成: %6 (mokuri-report)。"
                       "このページはこのコンピュータの中だけで作られ、どこにも送られません。</footer>\n"
                       "</body>\n</html>\n")
            .arg(htmlEscaped(QFileInfo(in.folder).fileName()), QString::fromLatin1(kStyle), body, htmlEscaped(in.folder),
                 htmlEscaped(in.recordPath), in.writtenAt.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    return html.toUtf8();
}

} // namespace mokuri::report
