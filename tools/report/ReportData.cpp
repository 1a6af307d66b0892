// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/report/ReportData.h"

#include <QHash>
#include <QMap>
#include <algorithm>

namespace mokuri::report {

void RecordSummary::add(const RecordLine& l)
{
    const QPair<QString, int> key(l.session, l.question);
    auto it = index_.constFind(key);
    if (it == index_.cend()) {
        it = index_.insert(key, questions_.size());
        AskedQuestion q;
        q.session = l.session;
        q.question = l.question;
        q.day = l.time.date();
        q.word = l.word;
        questions_.push_back(q);
    }
    AskedQuestion& q = questions_[*it];
    switch (l.event) {
    case RecordEvent::Question:
        // The question line decides the day: its tiles may come after midnight.
        q.day = l.time.date();
        q.word = l.word;
        q.access = l.access;
        break;
    case RecordEvent::Tile:
        ++q.tiles;
        if (!l.right) {
            ++q.wrongTiles;
            if (l.letter != l.expected) ++confusions_[{l.letter, l.expected}];
        }
        break;
    case RecordEvent::Restart:
        q.restarts = std::max(q.restarts, l.restarts);
        break;
    case RecordEvent::Done:
        q.end = QuestionEnd::Done;
        q.doneMs = l.ms;
        q.restarts = std::max(q.restarts, l.restarts);
        break;
    case RecordEvent::Left:
        if (q.end != QuestionEnd::Done) q.end = QuestionEnd::Left;
        q.restarts = std::max(q.restarts, l.restarts);
        break;
    }
}

std::vector<ConfusionPair> RecordSummary::confusionPairs() const
{
    std::vector<ConfusionPair> out;
    out.reserve(size_t(confusions_.size()));
    for (auto it = confusions_.cbegin(); it != confusions_.cend(); ++it)
        out.push_back({it.key().first, it.key().second, *it});
    std::sort(out.begin(), out.end(), [](const ConfusionPair& a, const ConfusionPair& b) {
        if (a.count != b.count) return a.count > b.count;
        if (a.taken != b.taken) return a.taken < b.taken;
        return a.expected < b.expected;
    });
    return out;
}

RecordSummary summaryOf(const QByteArray& bytes)
{
    RecordSummary summary;
    summary.reading = readRecord(bytes, [&summary](const RecordLine& l) { summary.add(l); });
    return summary;
}

qint64 medianMs(std::vector<qint64> ms)
{
    ms.erase(std::remove_if(ms.begin(), ms.end(), [](qint64 v) { return v < 0; }), ms.end());
    if (ms.empty()) return -1;
    const size_t half = ms.size() / 2;
    std::nth_element(ms.begin(), ms.begin() + qsizetype(half), ms.end());
    const qint64 upper = ms[half];
    if (ms.size() % 2) return upper;
    const qint64 lower = *std::max_element(ms.begin(), ms.begin() + qsizetype(half));
    return (lower + upper) / 2;
}

std::optional<int> percent(int part, int whole)
{
    if (whole <= 0) return std::nullopt;
    return int((200LL * part + whole) / (2LL * whole));
}

std::vector<DayRow> perDay(const std::vector<AskedQuestion>& questions)
{
    QMap<QDate, DayRow> days;
    for (const AskedQuestion& q : questions) {
        DayRow& d = days[q.day];
        d.day = q.day;
        if (!d.words.contains(q.word)) d.words << q.word;
        if (!q.access.isEmpty() && !d.access.contains(q.access)) d.access << q.access;
        ++d.asked;
        if (q.end == QuestionEnd::Done) ++d.done;
        if (q.firstTry()) ++d.firstTry;
    }
    return {days.cbegin(), days.cend()};
}

std::vector<WordRow> perWord(const std::vector<AskedQuestion>& questions)
{
    QHash<QString, size_t> index;
    std::vector<WordRow> rows;
    std::vector<std::vector<qint64>> times;
    for (const AskedQuestion& q : questions) {
        auto it = index.constFind(q.word);
        if (it == index.cend()) {
            it = index.insert(q.word, rows.size());
            rows.push_back({q.word, 0, 0, 0, 0, -1});
            times.emplace_back();
        }
        WordRow& w = rows[*it];
        ++w.asked;
        w.restarts += q.restarts;
        if (q.end == QuestionEnd::Done) {
            ++w.done;
            times[*it].push_back(q.doneMs);
        }
        if (q.firstTry()) ++w.firstTry;
    }
    for (size_t i = 0; i < rows.size(); ++i) rows[i].medianDoneMs = medianMs(std::move(times[i]));
    std::sort(rows.begin(), rows.end(), [](const WordRow& a, const WordRow& b) {
        if (a.medianDoneMs != b.medianDoneMs) return a.medianDoneMs > b.medianDoneMs;
        return a.word < b.word;
    });
    return rows;
}

std::vector<MistakenLetter> mistakenLetters(const std::vector<ConfusionPair>& pairs)
{
    QHash<QString, size_t> index;
    std::vector<MistakenLetter> out;
    // The pairs come most frequent first, so each letter's list keeps that order.
    for (const ConfusionPair& p : pairs) {
        auto it = index.constFind(p.taken);
        if (it == index.cend()) {
            it = index.insert(p.taken, out.size());
            out.push_back({p.taken, 0, {}});
        }
        out[*it].count += p.count;
        out[*it].instead.push_back(p);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const MistakenLetter& a, const MistakenLetter& b) { return a.count > b.count; });
    return out;
}

std::vector<WeekPoint> perWeek(const std::vector<AskedQuestion>& questions)
{
    QMap<QDate, std::vector<qint64>> weeks;
    for (const AskedQuestion& q : questions)
        if (q.end == QuestionEnd::Done && q.day.isValid())
            weeks[q.day.addDays(1 - q.day.dayOfWeek())].push_back(q.doneMs);
    std::vector<WeekPoint> out;
    for (auto it = weeks.cbegin(); it != weeks.cend(); ++it)
        out.push_back({it.key(), int(it->size()), medianMs(*it)});
    return out;
}

} // namespace mokuri::report
