// SPDX-License-Identifier: GPL-3.0-or-later
// The practice record as mokuri-report meets it: a file any program, a spreadsheet or a
// crash may have left in the picture folder. The reader must keep every good line exactly,
// and the parent's page must hold nothing of the file but escaped text.
#include "FuzzCheck.h"
#include "content/PracticeRecord.h"
#include "tools/report/ReportData.h"
#include "tools/report/ReportPage.h"

using namespace mokuri;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<RecordLine> lines;
    const RecordReading reading = readRecord(bytes, [&](const RecordLine& l) { lines.push_back(l); });
    FUZZ_CHECK(reading.read == qint64(lines.size()));
    FUZZ_CHECK(reading.skipped >= 0);

    // What the game would write of the good lines reads back the same, line for line.
    QByteArray rewritten = recordHeader();
    for (const RecordLine& l : lines) {
        const QByteArray one = formatRecordLine(l);
        FUZZ_CHECK(one.endsWith('\n'));
        rewritten += one;
    }
    const std::vector<RecordLine> again = parseRecord(rewritten);
    FUZZ_CHECK(again.size() == lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        FUZZ_CHECK(again[i] == lines[i], QStringLiteral("a record line changed on a rewrite"),
                   QString::fromUtf8(formatRecordLine(lines[i])), QString::fromUtf8(formatRecordLine(again[i])));

    report::PageInput input;
    input.folder = QStringLiteral("/tmp/folder");
    input.recordPath = QStringLiteral("/tmp/folder/mokuri-record.csv");
    input.recordFound = true;
    input.record = report::summaryOf(bytes);
    FUZZ_CHECK(input.record.reading.read == reading.read);
    for (const report::AskedQuestion& q : input.record.questions()) {
        FUZZ_CHECK(q.wrongTiles >= 0 && q.restarts >= 0 && q.tiles >= 0);
        FUZZ_CHECK(q.wrongTiles <= q.tiles);
    }
    const QByteArray page = report::reportPage(input);
    // The page has no script of its own: one in it came from the file.
    FUZZ_CHECK(!page.contains("<script") && !page.contains("<SCRIPT") && !page.contains("javascript:"),
               QStringLiteral("the page holds markup from the record"));
    return 0;
}
