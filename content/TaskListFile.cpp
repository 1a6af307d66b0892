// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/TaskListFile.h"
#include "support/Logging.h"

#include "content/FieldReader.h"
#include "support/FileRead.h"
#include "support/SafeSave.h"
#include "support/TextEncoding.h"


namespace mokuri {

namespace {
QString taskListPath(const PictureFolder& folder) { return folder.filePath(QStringLiteral("Fname.txt")); }
}

std::optional<std::vector<TaskEntry>> parseTaskList(const QByteArray& bytes)
{
    // One picture a line: "name",#TRUE#. The writer puts a name between quotes as it is, so
    // a name may hold quotes and commas itself: the flag is after the last comma, and the
    // name everything between the first and the last quote before it.
    std::vector<TaskEntry> out;
    const QString text = withoutBlankLines(decodeText(bytes));
    for (QStringView line : QStringView(text).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const qsizetype comma = line.lastIndexOf(u',');
        if (comma < 0) return std::nullopt;
        const QStringView quoted = line.left(comma).trimmed();
        if (quoted.size() < 2 || !quoted.startsWith(u'"') || !quoted.endsWith(u'"')) return std::nullopt;
        auto flag = parseBooleanField(Field{line.mid(comma + 1).trimmed().toString(), false});
        if (!flag) return std::nullopt;
        out.push_back({quoted.mid(1, quoted.size() - 2).toString(), *flag});
    }
    return out;
}

QByteArray formatTaskList(const std::vector<TaskEntry>& entries)
{
    QString text;
    for (const TaskEntry& e : entries)
        text += u'"' + e.name + QStringLiteral("\",") + (e.selected ? QStringLiteral("#TRUE#") : QStringLiteral("#FALSE#")) +
                QStringLiteral("\r\n");
    return encodeText(text);
}

bool saveTaskList(const PictureFolder& folder, const TaskList& tasks, Trace& trace)
{
    std::vector<TaskEntry> entries;
    entries.reserve(size_t(folder.pictures.size()));
    for (const QString& picture : folder.pictures) entries.push_back({picture, tasks.contains(picture)});
    return saveFileAtomically(taskListPath(folder), formatTaskList(entries), trace);
}

namespace {

// True when the file still describes the catalogue: the names match entry by entry
// (a shorter file is fine: the pictures after it are simply not tasks).
bool matchesCatalogue(const std::vector<TaskEntry>& entries, const QStringList& pictures)
{
    if (entries.size() > size_t(pictures.size())) return false;
    for (size_t j = 0; j < entries.size(); ++j)
        if (entries[j].name != pictures[qsizetype(j)]) return false;
    return true;
}

} // namespace

TaskList loadTaskList(const PictureFolder& folder, Trace& trace, QString* notice)
{
    const QString path = taskListPath(folder);
    removeInterruptedSaves(path);
    ReadResult r = readFileBytes(path);
    std::optional<std::vector<TaskEntry>> entries;
    if (r.status == ReadStatus::Ok) entries = parseTaskList(r.bytes);

    if (entries && matchesCatalogue(*entries, folder.pictures)) {
        TaskList tasks;
        for (const TaskEntry& e : *entries)
            if (e.selected) tasks << e.name;
        if (tasks.isEmpty()) {
            // A child must never face an empty screen; the file keeps the adult's choice.
            qCWarning(logContent, "Fname.txt selects no picture; every picture plays in this run");
            trace.event("warning", {QStringLiteral("Fname.txt selects no picture; playing every picture")});
            if (notice)
                *notice = QStringLiteral("保存されていた課題の選択では、どの画像も選ばれていませんでした。"
                                         "いまは、すべての画像で出題しています。");
            return folder.pictures;
        }
        return tasks;
    }

    if (r.status == ReadStatus::Unreadable) {
        qCWarning(logContent, "cannot read %s; every picture plays in this run", qPrintable(path));
        return folder.pictures;
    }
    if (r.status == ReadStatus::Ok)
        trace.event("warning", {path + QStringLiteral(" does not match the pictures; every picture selected")});
    saveTaskList(folder, folder.pictures, trace);
    return folder.pictures;
}

} // namespace mokuri
