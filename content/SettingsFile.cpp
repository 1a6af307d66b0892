#include "content/SettingsFile.h"

#include "app/Trace.h"
#include "content/FieldReader.h"
#include "content/TextEncoding.h"
#include "content/TextFile.h"

#include <cstdio>

namespace mokuri {

namespace {
QByteArray BoolText(int16_t v) { return v ? "#TRUE#" : "#FALSE#"; }
}

QByteArray FormatSettings(const GameSettingsT& s)
{
    return BoolText(s.ArrangeMode) + ',' + BoolText(s.ShowModel) + ',' + QByteArray::number(s.DecoyCount) + ',' +
           QByteArray::number(s.DecoyKind) + ',' + BoolText(s.ShowCursor) + ',' + BoolText(s.TouchOnly) + "\r\n";
}

std::optional<GameSettingsT> ParseSettings(const QByteArray& bytes)
{
    FieldReader reader(DecodeText(bytes));
    std::optional<int16_t> v[6];
    for (int i = 0; i < 6; ++i) {
        if (reader.AtEnd()) return std::nullopt;
        Field f = reader.Next();
        v[i] = (i == 2 || i == 3) ? ParseIntegerField(f) : ParseBooleanField(f);
        if (!v[i]) return std::nullopt;
    }
    GameSettingsT s;
    s.ArrangeMode = *v[0];
    s.ShowModel = *v[1];
    s.DecoyCount = *v[2];
    s.DecoyKind = *v[3];
    s.ShowCursor = *v[4];
    s.TouchOnly = *v[5];
    return s;
}

bool SaveSettings()
{
    return SaveFileAtomically(DataFolder + QStringLiteral("Word.txt"), FormatSettings(GameSettings));
}

void LoadSettings()
{
    const QString path = DataFolder + QStringLiteral("Word.txt");
    ReadResult r = ReadFileBytes(path);
    if (r.status == ReadStatus::Ok) {
        if (auto s = ParseSettings(r.bytes)) {
            GameSettings = *s;
            return;
        }
        std::fprintf(stderr, "mokuri: %s does not hold six settings; it is rewritten with the defaults\n",
                     qPrintable(path));
        TraceEvent("warning", {path + QStringLiteral(" damaged, defaults written")});
    } else if (r.status == ReadStatus::Unreadable) {
        // A file we may not read is not ours to overwrite.
        std::fprintf(stderr, "mokuri: cannot read %s; the default settings are used for this run\n", qPrintable(path));
        TraceEvent("warning", {path + QStringLiteral(" unreadable, defaults used")});
        GameSettings = GameSettingsT{};
        return;
    }
    GameSettings = GameSettingsT{};
    SaveSettings();
}

} // namespace mokuri
