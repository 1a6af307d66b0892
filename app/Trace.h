#pragma once
// Event log for adults setting up content and for tests: MOKURI_TRACE=<file> or 1 (stderr).
#include <QString>
#include <QStringList>

namespace mokuri {

bool TraceEnabled();
// Writes "<ms since start>\t<event>\t<field>\t..." as one line.
void TraceEvent(const char* event, const QStringList& fields = {});
// Re-reads MOKURI_TRACE (tests change it between runs in one process).
void ReopenTrace();

} // namespace mokuri
