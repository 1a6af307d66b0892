// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The record of a child's practice on one picture folder: one CSV line per event (a
// question asked, a tile taken, a restart after a wrong tile, a word done, a question left
// by a key), appended as the game plays. UTF-8 with a header line, so a spreadsheet opens it.
#include "content/Settings.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace mokuri {

enum class RecordEvent { Question, Tile, Restart, Done, Left };

struct RecordLine {
    QDateTime time;        // local time, written with its UTC offset
    QString session;       // one run of the game
    int question = 0;      // the question's number within the session, from 1
    RecordEvent event = RecordEvent::Question;
    QString picture;
    QString word;
    // Question: the settings in force, and how the child takes tiles: "touch", "click",
    // "dwell", "one-switch" or "two-switch" (an older record, without the column, gives
    // its "touch" or "click").
    Settings settings;
    QString access;
    // Tile: the letter taken, the one expected, and the time since the instruction ended.
    QString letter;
    QString expected;
    bool right = false;
    qint64 ms = -1;        // Tile and Done; -1 when not known
    // Restart, Done, Left: the restarts so far.
    int restarts = 0;
    // Left: "H", "N" or "Esc".
    QString leftBy;

    bool operator==(const RecordLine&) const = default;
};

// The first line of every record file.
QByteArray recordHeader();
// Today's number of columns.
int recordColumnCount();
// How many of today's columns a record whose first line is `header` has: an older
// version's record keeps its width, so that every line of it stays readable to old and new
// readers alike; today's count for anything else.
int recordColumnsOf(QByteArrayView header);
// One line, ended by "\n", in the first `columns` columns.
QByteArray formatRecordLine(const RecordLine& line, int columns = recordColumnCount());
// A line in today's columns (without its line end); nothing for the header, a torn or
// foreign line.
std::optional<RecordLine> parseRecordLine(const QByteArray& line);
// What reading a record met besides its good lines.
struct RecordReading {
    qint64 read = 0;
    qint64 skipped = 0;            // lines that are no record line: damaged, or foreign
    bool tornEnd = false;          // a last line without its end: still being written, or a crash
    bool missingColumns = false;   // the header lacks a column no line can be read without
};

// Reads a record file's bytes as the CSV it is (a quoted name may hold a line end), in
// UTF-8 or, after a byte-order mark, UTF-16; columns found by the header's names, so a
// later version's extra columns are ignored. Gives each good line to `take`, in order.
RecordReading readRecord(const QByteArray& bytes, const std::function<void(const RecordLine&)>& take);
// Every good line of a record file's bytes; torn and foreign lines are skipped.
std::vector<RecordLine> parseRecord(const QByteArray& bytes);

// The record's file name inside a picture folder.
inline const QString kRecordFileName = QStringLiteral("mokuri-record.csv");
// Where the record of `folder` is kept when the folder itself cannot be written:
// ${XDG_STATE_HOME:-~/.local/state}/mokuri/records/, one file a folder, named after it;
// empty when the user has no home folder.
QString recordInStateFolder(const QString& folder);
// A folder's name and a code of its whole path, to name files about it elsewhere.
QString folderCode(const QString& folder);
// The record a report reads for `folder`: the one in the folder if there is one (and it
// is no link), else the one in the state folder.
QString existingRecordOf(const QString& folder);

} // namespace mokuri
