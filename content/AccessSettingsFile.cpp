// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/AccessSettingsFile.h"
#include "support/Logging.h"

#include "content/PictureFolder.h"
#include "content/SettingsFile.h"
#include "support/FileRead.h"
#include "support/SafeSave.h"

#include <array>

namespace mokuri {

namespace {

QString accessPath(const QString& folder) { return fileInFolder(folder, kAccessFileName); }

const std::array<std::pair<const char*, AccessMethod>, 3> kMethods{{
    {"pointer", AccessMethod::Pointer}, {"one-switch", AccessMethod::OneSwitch}, {"two-switch", AccessMethod::TwoSwitches}}};
const std::array<std::pair<const char*, ScanStart>, 3> kStarts{{
    {"at-once", ScanStart::AtOnce}, {"pause-on-first", ScanStart::PauseOnFirst}, {"on-press", ScanStart::OnPress}}};

template <typename T, std::size_t N>
QByteArray nameOf(const std::array<std::pair<const char*, T>, N>& names, T value)
{
    for (const auto& [name, v] : names)
        if (v == value) return name;
    return names[0].first;
}

template <typename T, std::size_t N>
bool readName(const std::array<std::pair<const char*, T>, N>& names, const QByteArray& text, T& out)
{
    for (const auto& [name, v] : names)
        if (text == name) {
            out = v;
            return true;
        }
    return false;
}

bool readNumber(const QByteArray& text, int& out)
{
    bool ok = false;
    // Wider than int, so that a huge number is held to its range rather than refused.
    const qlonglong n = text.toLongLong(&ok);
    if (!ok) return false;
    out = int(std::clamp<qlonglong>(n, -1, 1'000'000));
    return true;
}

bool readBool(const QByteArray& text, bool& out)
{
    if (text == "true" || text == "1" || text == "yes") out = true;
    else if (text == "false" || text == "0" || text == "no") out = false;
    else return false;
    return true;
}

} // namespace

QByteArray formatAccessSettings(const AccessSettings& given)
{
    const AccessSettings s = given.bounded();
    QByteArray out = "[access]\n";
    auto line = [&out](const char* name, const QByteArray& value) { out += name + ('=' + value) + '\n'; };
    line("method", nameOf(kMethods, s.method));
    line("dwell-ms", QByteArray::number(s.dwellMs));
    line("scan-interval-ms", QByteArray::number(s.scanIntervalMs));
    line("scan-start", nameOf(kStarts, s.scanStart));
    line("scan-rounds", QByteArray::number(s.scanRounds));
    line("auditory-scan", s.auditoryScan ? "true" : "false");
    line("hold-ms", QByteArray::number(s.holdMs));
    line("ignore-repeat-ms", QByteArray::number(s.ignoreRepeatMs));
    return out;
}

std::optional<AccessSettings> parseAccessSettings(const QByteArray& bytes)
{
    AccessSettings s;
    QByteArray text = bytes;
    if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);  // a byte-order mark an editor added
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#') || line.startsWith(';') || line.startsWith('[')) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) return std::nullopt;
        const QByteArray name = line.left(eq).trimmed().toLower();
        const QByteArray value = line.mid(eq + 1).trimmed().toLower();
        bool ok = true;
        if (name == "method") ok = readName(kMethods, value, s.method);
        else if (name == "dwell-ms") ok = readNumber(value, s.dwellMs);
        else if (name == "scan-interval-ms") ok = readNumber(value, s.scanIntervalMs);
        else if (name == "scan-start") ok = readName(kStarts, value, s.scanStart);
        else if (name == "scan-rounds") ok = readNumber(value, s.scanRounds);
        else if (name == "auditory-scan") ok = readBool(value, s.auditoryScan);
        else if (name == "hold-ms") ok = readNumber(value, s.holdMs);
        else if (name == "ignore-repeat-ms") ok = readNumber(value, s.ignoreRepeatMs);
        if (!ok) return std::nullopt;
    }
    return s.bounded();
}

bool saveAccessSettings(const QString& folder, const AccessSettings& s, Trace& trace)
{
    return saveFileAtomically(accessPath(folder), formatAccessSettings(s), trace);
}

AccessSettings loadAccessSettings(const QString& folder, Trace& trace, QString* notice)
{
    const QString path = accessPath(folder);
    removeInterruptedSaves(path);
    const ReadResult r = readFileBytes(path);
    if (r.status == ReadStatus::Missing) return {};
    if (r.status == ReadStatus::Unreadable) {
        // A file we may not read is not ours to overwrite.
        qCWarning(logContent, "cannot read %s; pointing and clicking as usual for this run", qPrintable(path));
        trace.event("warning", {path + QStringLiteral(" unreadable, defaults used")});
        return {};
    }
    if (auto s = parseAccessSettings(r.bytes)) return *s;

    const QString copy = keepDamagedCopy(path);
    if (copy.isEmpty()) {
        qCWarning(logContent, "%s cannot be read as access settings and no copy of it could be kept; "
                             "pointing and clicking as usual for this run", qPrintable(path));
        trace.event("warning", {path + QStringLiteral(" damaged, defaults used")});
        if (notice)
            *notice = QStringLiteral("操作方法の設定ファイル「%1」が読めなかったため、標準の操作で動いています。").arg(path);
        return {};
    }
    qCWarning(logContent, "%s cannot be read as access settings; it is kept as %s and rewritten with the defaults",
                 qPrintable(path), qPrintable(copy));
    trace.event("warning", {path + QStringLiteral(" damaged, kept as ") + copy + QStringLiteral(", defaults written")});
    if (notice)
        *notice = QStringLiteral("操作方法の設定ファイル「%1」が読めなかったため、標準の操作に戻しました。"
                                 "元のファイルは「%2」として残してあります。").arg(path, copy);
    saveAccessSettings(folder, AccessSettings{}, trace);
    return {};
}

} // namespace mokuri
