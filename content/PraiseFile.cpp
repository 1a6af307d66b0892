#include "content/PraiseFile.h"

#include "app/Trace.h"
#include "content/FieldReader.h"
#include "content/TextEncoding.h"
#include "content/TextFile.h"

#include <cstdio>

namespace mokuri {

QStringList ParsePraiseTexts(const QByteArray& bytes, int* ignored)
{
    QStringList out;
    int extra = 0;
    FieldReader reader(DecodeText(bytes));
    while (!reader.AtEnd()) {
        Field f = reader.Next();
        if (f.text.isEmpty()) continue;
        if (out.size() < MaxPraiseTexts) out << f.text;
        else ++extra;
    }
    if (ignored) *ignored = extra;
    return out;
}

void LoadPraiseTexts(QString (&texts)[MaxPraiseTexts], int16_t& count)
{
    const QString path = QStringLiteral("O.txt");
    for (auto& t : texts) t.clear();
    count = 0;
    ReadResult r = ReadFileBytes(path);
    if (r.status == ReadStatus::Missing) {
        SaveFileAtomically(path, EncodeText(DefaultPraise + QStringLiteral("\r\n")));
        texts[0] = DefaultPraise;
        count = 1;
        return;
    }
    if (r.status == ReadStatus::Unreadable) {
        std::fprintf(stderr, "mokuri: cannot read O.txt; praising with \"%s\" for this run\n", qPrintable(DefaultPraise));
        texts[0] = DefaultPraise;
        count = 1;
        return;
    }
    int ignored = 0;
    QStringList list = ParsePraiseTexts(r.bytes, &ignored);
    if (ignored > 0) {
        std::fprintf(stderr, "mokuri: O.txt holds more than %d praise texts; %d are ignored\n", MaxPraiseTexts, ignored);
        TraceEvent("warning", {QStringLiteral("O.txt: %1 praise texts ignored").arg(ignored)});
    }
    for (int i = 0; i < list.size(); ++i) texts[i] = list[i];
    count = int16_t(list.size());
}

} // namespace mokuri
