// Fname.txt: any bytes as a damaged or hand-edited file, and any picture names as
// the catalogue may hold them, written and read back.
#include "FuzzCheck.h"
#include "content/TaskListFile.h"
#include "content/TextEncoding.h"

using namespace mokuri;

namespace {

// Names holding a double quote cannot be written in this format at all.
bool Writable(const std::vector<TaskEntry>& entries)
{
    for (const TaskEntry& e : entries)
        if (e.name.contains(u'"')) return false;
    return true;
}

void CheckReadsBack(const std::vector<TaskEntry>& entries)
{
    const QByteArray bytes = FormatTaskList(entries);
    auto back = ParseTaskList(bytes);
    FUZZ_CHECK(back.has_value(), QStringLiteral("a written task list does not parse"), DecodeText(bytes));
    FUZZ_CHECK(back->size() == entries.size(), QStringLiteral("entry count changed"), DecodeText(bytes));
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

    if (auto entries = ParseTaskList(bytes)) {
        // A name is only ever the inside of a quoted field.
        FUZZ_CHECK(Writable(*entries));
        CheckReadsBack(*entries);
    }

    // The input as a catalogue: names separated by '/', which no file name holds;
    // the flags come from the bits of the last byte.
    if (size > 0) {
        const QStringList names = DecodeText(bytes.chopped(1)).split(u'/');
        std::vector<TaskEntry> entries;
        const uint8_t flags = data[size - 1];
        for (qsizetype i = 0; i < names.size(); ++i) entries.push_back({names[i], ((flags >> (i % 8)) & 1) != 0});
        if (Writable(entries)) CheckReadsBack(entries);
    }
    return 0;
}
