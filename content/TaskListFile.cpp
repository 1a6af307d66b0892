#include "content/TaskListFile.h"

#include "app/Trace.h"
#include "content/FieldReader.h"
#include "content/Globals.h"
#include "content/TextEncoding.h"
#include "content/TextFile.h"

#include <QFile>
#include <cstdio>

namespace mokuri {

std::optional<std::vector<TaskEntry>> ParseTaskList(const QByteArray& bytes)
{
    std::vector<TaskEntry> out;
    FieldReader reader(DecodeText(bytes));
    while (!reader.AtEnd()) {
        Field name = reader.Next();
        if (reader.AtEnd() && name.text.isEmpty() && !name.quoted) break;  // trailing blank line
        if (!name.quoted || reader.AtEnd()) return std::nullopt;          // cut after a name
        auto flag = ParseBooleanField(reader.Next());
        if (!flag) return std::nullopt;
        out.push_back({name.text, *flag != 0});
    }
    return out;
}

QByteArray FormatTaskList(const std::vector<TaskEntry>& entries)
{
    QString text;
    for (const TaskEntry& e : entries)
        text += u'"' + e.name + QStringLiteral("\",") + (e.selected ? QStringLiteral("#TRUE#") : QStringLiteral("#FALSE#")) +
                QStringLiteral("\r\n");
    return EncodeText(text);
}

bool SaveTaskList()
{
    std::vector<TaskEntry> entries;
    entries.reserve(size_t(AllPictureCount));
    for (int k = 0; k < AllPictureCount; ++k) {
        bool selected = false;
        for (int t = 0; t < TaskPictureCount; ++t)
            if (TaskPictures[t] == AllPictures[k]) {
                selected = true;
                break;
            }
        entries.push_back({AllPictures[k], selected});
    }
    return SaveFileAtomically(DataFolder + QStringLiteral("Fname.txt"), FormatTaskList(entries));
}

namespace {

// True when the file still describes the catalogue: the names match entry by entry
// (a shorter file is fine: the pictures after it are simply not tasks).
bool MatchesCatalogue(const std::vector<TaskEntry>& entries)
{
    if (entries.size() > size_t(AllPictureCount)) return false;
    for (size_t j = 0; j < entries.size(); ++j)
        if (entries[j].name != AllPictures[j]) return false;
    return true;
}

void SelectEveryPicture()
{
    TaskPictureCount = AllPictureCount;
    for (int k = 0; k < TaskPictureCount; ++k) TaskPictures[k] = AllPictures[k];
}

} // namespace

void LoadTaskList()
{
    const QString path = DataFolder + QStringLiteral("Fname.txt");
    ReadResult r = ReadFileBytes(path);
    std::optional<std::vector<TaskEntry>> entries;
    if (r.status == ReadStatus::Ok) entries = ParseTaskList(r.bytes);

    if (entries && MatchesCatalogue(*entries)) {
        int16_t i = 0;
        for (const TaskEntry& e : *entries)
            if (e.selected) TaskPictures[i++] = e.name;
        TaskPictureCount = i;
        if (TaskPictureCount == 0) {
            // A child must never face an empty screen; the file keeps the adult's choice.
            std::fprintf(stderr, "mokuri: Fname.txt selects no picture; every picture plays in this run\n");
            TraceEvent("warning", {QStringLiteral("Fname.txt selects no picture; playing every picture")});
            SelectEveryPicture();
        }
        return;
    }

    if (r.status == ReadStatus::Unreadable) {
        std::fprintf(stderr, "mokuri: cannot read %s; every picture plays in this run\n", qPrintable(path));
        SelectEveryPicture();
        return;
    }
    if (r.status == ReadStatus::Ok)
        TraceEvent("warning", {path + QStringLiteral(" does not match the pictures; every picture selected")});
    SelectEveryPicture();
    SaveTaskList();
}

} // namespace mokuri
