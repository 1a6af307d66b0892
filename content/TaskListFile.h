// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fname.txt in the picture folder: every picture of the catalogue with whether it is
// played (the adult's choice with key N).
#include "content/PictureFolder.h"
#include "support/Trace.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace mokuri {

// The pictures in play, in their present order.
using TaskList = QStringList;

struct TaskEntry {
    QString name;
    bool selected = false;
};

// The name / truth-value pairs; nothing when the text is not made of such pairs.
std::optional<std::vector<TaskEntry>> parseTaskList(const QByteArray& bytes);
QByteArray formatTaskList(const std::vector<TaskEntry>& entries);

// Reads Fname.txt and reconciles it with the catalogue: when it no longer describes the
// folder, every picture is played and the file is written anew. A file that selects no
// picture is kept, every picture plays, and `notice` gets a sentence for the adult.
TaskList loadTaskList(const PictureFolder& folder, Trace& trace, QString* notice = nullptr);
// Writes the catalogue with the pictures of `tasks` ticked; false on failure.
bool saveTaskList(const PictureFolder& folder, const TaskList& tasks, Trace& trace);

} // namespace mokuri
