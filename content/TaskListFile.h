#pragma once
// Fname.txt in the data folder: every picture of the catalogue with its selected flag.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace mokuri {

struct TaskEntry {
    QString name;
    bool selected = false;
};

// The name / truth-value pairs; nothing when the text is not made of such pairs.
std::optional<std::vector<TaskEntry>> ParseTaskList(const QByteArray& bytes);
QByteArray FormatTaskList(const std::vector<TaskEntry>& entries);

// Reads and reconciles DataFolder + "Fname.txt" against the catalogue.
void LoadTaskList();
// Writes the catalogue with the membership of TaskPictures; false on failure.
bool SaveTaskList();

} // namespace mokuri
