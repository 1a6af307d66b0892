// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the practice record says, gathered for a parent: the questions one by one, then per
// day, per word, per week, and the letters taken by mistake. Pure functions of the lines,
// so the page's numbers depend on the record alone, never on when the report is made.
#include "content/PracticeRecord.h"

#include <QDate>
#include <QHash>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace mokuri::report {

enum class QuestionEnd { Open, Done, Left };

// One question, identified by its session and its number there.
struct AskedQuestion {
    QString session;
    int question = 0;
    QDate day;             // in the UTC offset the record wrote, so a day is the child's day
    QString word;
    QString access;        // how the tiles were taken ("click", "one-switch" ...)
    int tiles = 0;
    int wrongTiles = 0;
    int restarts = 0;
    QuestionEnd end = QuestionEnd::Open;
    qint64 doneMs = -1;    // Done: ms from the last instruction to the last tile; -1 unknown

    // Built without a single wrong tile. A record torn before its restart line still has
    // the wrong tile, so both are looked at.
    bool firstTry() const { return end == QuestionEnd::Done && restarts == 0 && wrongTiles == 0; }
    bool operator==(const AskedQuestion&) const = default;
};

struct ConfusionPair {
    QString taken;
    QString expected;
    int count = 0;
};

// What the report needs of a record, gathered line by line so that a school year's record
// is never held as lines all at once.
class RecordSummary {
public:
    void add(const RecordLine& line);
    // The questions in the order they were first seen. Lines of a question seen only in
    // part (its question line torn) still make it.
    const std::vector<AskedQuestion>& questions() const { return questions_; }
    // Every (letter taken, letter expected) of a wrong tile, the most frequent first.
    std::vector<ConfusionPair> confusionPairs() const;
    // What was read and what was skipped, so the page can say so.
    RecordReading reading;

private:
    std::vector<AskedQuestion> questions_;
    QHash<QPair<QString, int>, size_t> index_;
    QHash<QPair<QString, QString>, int> confusions_;
};

// A record file's bytes, read line by line with readRecord.
RecordSummary summaryOf(const QByteArray& recordBytes);

// The median of the known times (negative ones are unknown); -1 when none is known.
qint64 medianMs(std::vector<qint64> ms);

// Percent of `part` in `whole`, rounded; nothing when `whole` is 0.
std::optional<int> percent(int part, int whole);

struct DayRow {
    QDate day;
    QStringList words;     // each word once, in the order first asked that day
    QStringList access;    // each way of taking tiles once, in the order first used that day
    int asked = 0;
    int done = 0;
    int firstTry = 0;
};
// Oldest day first.
std::vector<DayRow> perDay(const std::vector<AskedQuestion>& questions);

struct WordRow {
    QString word;
    int asked = 0;
    int done = 0;
    int firstTry = 0;
    int restarts = 0;
    qint64 medianDoneMs = -1;
};
// Slowest first by median time to finish; words never finished after all the others.
std::vector<WordRow> perWord(const std::vector<AskedQuestion>& questions);

struct MistakenLetter {
    QString taken;
    int count = 0;
    std::vector<ConfusionPair> instead; // what was expected when this letter was taken
};
// The letters most often taken by mistake, the most frequent first.
std::vector<MistakenLetter> mistakenLetters(const std::vector<ConfusionPair>& pairs);

struct WeekPoint {
    QDate monday;
    int done = 0;
    qint64 medianDoneMs = -1;
};
// One point for each week (Monday to Sunday) with a finished word, oldest first.
std::vector<WeekPoint> perWeek(const std::vector<AskedQuestion>& questions);

} // namespace mokuri::report
