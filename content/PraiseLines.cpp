// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/PraiseLines.h"
#include "support/Logging.h"

#include "content/FieldReader.h"
#include "support/FileRead.h"
#include "support/SafeSave.h"
#include "support/TextEncoding.h"


namespace mokuri {

QStringList parsePraiseLines(const QByteArray& bytes, int* ignored)
{
    QStringList out;
    int extra = 0;
    FieldReader reader(withoutBlankLines(decodeText(bytes)));
    while (!reader.atEnd()) {
        Field f = reader.next();
        if (f.text.isEmpty()) continue;
        if (out.size() < kMaxPraiseLines) out << f.text;
        else ++extra;
    }
    if (ignored) *ignored = extra;
    return out;
}

QStringList loadPraiseLines(Trace& trace)
{
    const QString path = QStringLiteral("O.txt");
    removeInterruptedSaves(path);
    ReadResult r = readFileBytes(path);
    if (r.status == ReadStatus::Missing) {
        saveFileAtomically(path, encodeText(kDefaultPraise + QStringLiteral("\r\n")), trace);
        return {kDefaultPraise};
    }
    if (r.status == ReadStatus::Unreadable) {
        qCWarning(logContent, "cannot read O.txt; praising with \"%s\" for this run", qPrintable(kDefaultPraise));
        return {kDefaultPraise};
    }
    int ignored = 0;
    QStringList lines = parsePraiseLines(r.bytes, &ignored);
    if (ignored > 0) {
        qCWarning(logContent, "O.txt holds more than %d praise texts; %d are ignored", kMaxPraiseLines, ignored);
        trace.event("warning", {QStringLiteral("O.txt: %1 praise texts ignored").arg(ignored)});
    }
    return lines;
}

} // namespace mokuri
