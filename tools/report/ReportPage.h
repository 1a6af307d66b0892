// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The report as one self-contained HTML page: no script, nothing fetched, the chart drawn
// here as inline SVG, and each section one printed A4 page.
#include "tools/report/ReportData.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace mokuri::report {

struct PageInput {
    QString folder;        // the picture folder, as the adult knows it
    QString recordPath;    // the file read
    bool recordFound = false;
    RecordSummary record;
    QDateTime writtenAt;   // shown at the foot only; nothing is computed from it
};

// How many rows a section shows, so that it fits its printed page.
inline constexpr int kDayRows = 27;
inline constexpr int kWordRows = 30;
inline constexpr int kLetterRows = 16;

QByteArray reportPage(const PageInput& input);

// Text made safe for HTML content and attribute values.
QString htmlEscaped(const QString& text);
// A duration as a parent reads it: "4.5秒", "1分05秒".
QString secondsText(qint64 ms);

} // namespace mokuri::report
