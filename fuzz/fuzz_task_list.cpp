// SPDX-License-Identifier: GPL-3.0-or-later
// Fname.txt: any bytes as a damaged or hand-edited file, and any picture names as
// the catalogue may hold them, written and read back.
#include "FuzzCheck.h"
#include "content/TaskListFile.h"
#include "support/TextEncoding.h"

using namespace mokuri;

namespace {

// One entry a line: a name that holds a line end cannot be written in this format.
// Quotes and commas can.
bool writable(const std::vector<TaskEntry>& entries)
{
    for (const TaskEntry& e : entries)
        if (e.name.contains(u'\r') || e.name.contains(u'\n')) return false;
    return true;
}

void checkReadsBack(const std::vector<TaskEntry>& entries)
{
    const QByteArray bytes = formatTaskList(entries);
    auto back = parseTaskList(bytes);
    FUZZ_CHECK(back.has_value(), QStringLiteral("a written task list does not parse"), decodeText(bytes));
    FUZZ_CHECK(back->size() == entries.size(), QStringLiteral("entry count changed"), decodeText(bytes));
    for (size_t i = 0; i < entries.size(); ++i) {
        FUZZ_CHECK((*back)[i].name == entries[i].name, QStringLiteral("a name changed on its way through the file"),
                   entries[i].name, (*back)[i].name);
        FUZZ_CHECK((*back)[i].selected == entries[i].selected);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Text that is not valid UTF-16 is fuzz_encoding's finding; here it would only hide others.
    if (!QStringView(decodeText(bytes)).isValidUtf16()) return 0;

    if (auto entries = parseTaskList(bytes)) {
        // A name is only ever the inside of the quotes of one line.
        FUZZ_CHECK(writable(*entries));
        checkReadsBack(*entries);
    }

    // The input as a catalogue: names separated by '/', which no file name holds;
    // the flags come from the bits of the last byte.
    if (size > 0) {
        const QStringList names = decodeText(bytes.chopped(1)).split(u'/');
        std::vector<TaskEntry> entries;
        const uint8_t flags = data[size - 1];
        for (qsizetype i = 0; i < names.size(); ++i) entries.push_back({names[i], ((flags >> (i % 8)) & 1) != 0});
        if (writable(entries)) checkReadsBack(entries);
    }
    return 0;
}
