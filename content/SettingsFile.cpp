// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/SettingsFile.h"
#include "support/Logging.h"

#include "content/FieldReader.h"
#include "content/PictureFolder.h"
#include "support/FileRead.h"
#include "support/SafeSave.h"
#include "support/TextEncoding.h"

#include <QFile>
#include <QFileInfo>

namespace mokuri {

namespace {
QByteArray boolText(bool v) { return v ? "#TRUE#" : "#FALSE#"; }
QString settingsPath(const QString& folder) { return fileInFolder(folder, QStringLiteral("Word.txt")); }
}

QByteArray formatSettings(const Settings& s)
{
    return boolText(s.instruction == Instruction::SayTheWord) + ',' + boolText(s.showModel) + ',' +
           QByteArray::number(int16_t(s.decoyCount)) + ',' + QByteArray::number(int16_t(s.decoyKind)) + ',' +
           boolText(s.showPointer) + ',' + boolText(s.takeTile == TakeTile::ByTouch) + "\r\n";
}

std::optional<Settings> parseSettings(const QByteArray& bytes)
{
    FieldReader reader(withoutBlankLines(decodeText(bytes)));
    Field f[6];
    for (Field& field : f) {
        if (reader.atEnd()) return std::nullopt;
        field = reader.next();
    }
    const auto sayWord = parseBooleanField(f[0]);
    const auto model = parseBooleanField(f[1]);
    const auto count = parseIntegerField(f[2]);
    const auto kind = parseIntegerField(f[3]);
    const auto pointer = parseBooleanField(f[4]);
    const auto touch = parseBooleanField(f[5]);
    if (!sayWord || !model || !count || !kind || !pointer || !touch) return std::nullopt;
    Settings s;
    s.instruction = *sayWord ? Instruction::SayTheWord : Instruction::ReadThePicture;
    s.showModel = *model;
    s.decoyCount = DecoyCount(*count);
    s.decoyKind = DecoyKind(*kind);
    s.showPointer = *pointer;
    s.takeTile = *touch ? TakeTile::ByTouch : TakeTile::ByClick;
    return s;
}

bool saveSettings(const QString& folder, const Settings& s, Trace& trace)
{
    return saveFileAtomically(settingsPath(folder), formatSettings(s), trace);
}

QString keepDamagedCopy(const QString& path)
{
    QString copy = path + QStringLiteral(".damaged");
    for (int n = 1; QFileInfo::exists(copy) || QFileInfo(copy).isSymLink(); ++n) {
        if (n > 999) return {};
        copy = path + QStringLiteral(".damaged.%1").arg(n);
    }
    return QFile::copy(path, copy) ? copy : QString();
}

Settings loadSettings(const QString& folder, Trace& trace, QString* notice)
{
    const QString path = settingsPath(folder);
    removeInterruptedSaves(path);
    ReadResult r = readFileBytes(path);
    if (r.status == ReadStatus::Ok) {
        if (auto s = parseSettings(r.bytes)) return *s;
        const QString copy = keepDamagedCopy(path);
        if (copy.isEmpty()) {
            // Without a copy the adult's file is not ours to overwrite.
            qCWarning(logContent, "%s does not hold six settings and no copy of it could be kept; "
                                 "the default settings are used for this run", qPrintable(path));
            trace.event("warning", {path + QStringLiteral(" damaged, defaults used")});
            if (notice)
                *notice = QStringLiteral("設定ファイル「%1」が読めなかったため、標準の設定で動いています。").arg(path);
            return Settings{};
        }
        qCWarning(logContent, "%s does not hold six settings; it is kept as %s and rewritten with the defaults",
                     qPrintable(path), qPrintable(copy));
        trace.event("warning", {path + QStringLiteral(" damaged, kept as ") + copy + QStringLiteral(", defaults written")});
        if (notice)
            *notice = QStringLiteral("設定ファイル「%1」が読めなかったため、標準の設定に戻しました。"
                                     "元のファイルは「%2」として残してあります。").arg(path, copy);
    } else if (r.status == ReadStatus::Unreadable) {
        // A file we may not read is not ours to overwrite.
        qCWarning(logContent, "cannot read %s; the default settings are used for this run", qPrintable(path));
        trace.event("warning", {path + QStringLiteral(" unreadable, defaults used")});
        return Settings{};
    }
    saveSettings(folder, Settings{}, trace);
    return Settings{};
}

} // namespace mokuri
