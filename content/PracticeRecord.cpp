// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/PracticeRecord.h"

#include "content/PictureFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace mokuri {

namespace {

const char* const kColumns[] = {"time", "session", "question", "event", "picture", "word", "instruction", "model",
                                "decoys", "decoy_kind", "take_by", "letter", "expected", "right", "ms", "restarts",
                                "left_by"};
constexpr int kColumnCount = int(std::size(kColumns));

const char* eventName(RecordEvent e)
{
    switch (e) {
    case RecordEvent::Question: return "question";
    case RecordEvent::Tile: return "tile";
    case RecordEvent::Restart: return "restart";
    case RecordEvent::Done: return "done";
    case RecordEvent::Left: return "left";
    }
    return "";
}

std::optional<RecordEvent> eventOf(const QString& name)
{
    for (RecordEvent e : {RecordEvent::Question, RecordEvent::Tile, RecordEvent::Restart, RecordEvent::Done,
                          RecordEvent::Left})
        if (name == QLatin1String(eventName(e))) return e;
    return std::nullopt;
}

const char* decoyKindName(DecoyKind k)
{
    switch (k) {
    case DecoyKind::Hiragana: return "hiragana";
    case DecoyKind::Katakana: return "katakana";
    case DecoyKind::Digits: return "digits";
    }
    return "other";
}

QByteArray csvField(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') && !bytes.contains('\r')) return bytes;
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

// The fields of one CSV line; nothing when a quote is left open (a torn line).
std::optional<QStringList> csvFields(const QByteArray& line)
{
    QStringList out;
    QByteArray field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            out << QString::fromUtf8(field);
            field.clear();
        } else {
            field += c;
        }
    }
    if (quoted) return std::nullopt;
    out << QString::fromUtf8(field);
    return out;
}

} // namespace

QByteArray recordHeader()
{
    QByteArray out;
    for (int i = 0; i < kColumnCount; ++i) out += QByteArray(i ? "," : "") + kColumns[i];
    return out + '\n';
}

QByteArray formatRecordLine(const RecordLine& l)
{
    const bool question = l.event == RecordEvent::Question;
    const bool tile = l.event == RecordEvent::Tile;
    const Settings& s = l.settings;
    const QList<QByteArray> fields = {
        l.time.toString(Qt::ISODateWithMs).toUtf8(),
        csvField(l.session),
        QByteArray::number(l.question),
        eventName(l.event),
        csvField(l.picture),
        csvField(l.word),
        question ? (s.instruction == Instruction::SayTheWord ? "word" : "name") : "",
        question ? (s.showModel ? "1" : "0") : "",
        question ? QByteArray::number(int16_t(s.decoyCount)) : "",
        question ? decoyKindName(s.decoyKind) : "",
        question ? (s.takeTile == TakeTile::ByTouch ? "touch" : "click") : "",
        tile ? csvField(l.letter) : "",
        tile ? csvField(l.expected) : "",
        tile ? (l.right ? "1" : "0") : "",
        l.ms >= 0 ? QByteArray::number(l.ms) : "",
        question || tile ? "" : QByteArray::number(l.restarts),
        l.event == RecordEvent::Left ? csvField(l.leftBy) : "",
    };
    return fields.join(',') + '\n';
}

std::optional<RecordLine> parseRecordLine(const QByteArray& line)
{
    const std::optional<QStringList> f = csvFields(line.endsWith('\r') ? line.chopped(1) : line);
    if (!f || f->size() != kColumnCount) return std::nullopt;
    RecordLine l;
    l.time = QDateTime::fromString((*f)[0], Qt::ISODateWithMs);
    const std::optional<RecordEvent> event = eventOf((*f)[3]);
    bool numberOk = false;
    l.question = (*f)[2].toInt(&numberOk);
    if (!l.time.isValid() || !event || !numberOk) return std::nullopt;
    l.event = *event;
    l.session = (*f)[1];
    l.picture = (*f)[4];
    l.word = (*f)[5];
    if (l.event == RecordEvent::Question) {
        const QString& kind = (*f)[9];
        l.settings.instruction = (*f)[6] == QLatin1String("name") ? Instruction::ReadThePicture : Instruction::SayTheWord;
        l.settings.showModel = (*f)[7] != QLatin1String("0");
        l.settings.decoyCount = DecoyCount(int16_t((*f)[8].toShort()));
        l.settings.decoyKind = kind == QLatin1String("katakana") ? DecoyKind::Katakana
                               : kind == QLatin1String("digits") ? DecoyKind::Digits
                                                                  : DecoyKind::Hiragana;
        l.settings.takeTile = (*f)[10] == QLatin1String("touch") ? TakeTile::ByTouch : TakeTile::ByClick;
        // The last field is empty on this line: a line torn short lacks columns instead.
    }
    l.letter = (*f)[11];
    l.expected = (*f)[12];
    l.right = (*f)[13] == QLatin1String("1");
    l.ms = (*f)[14].isEmpty() ? -1 : (*f)[14].toLongLong();
    l.restarts = (*f)[15].toInt();
    l.leftBy = (*f)[16];
    // A line torn inside its last field would still have every column.
    if (l.event == RecordEvent::Left && l.leftBy != QLatin1String("H") && l.leftBy != QLatin1String("N") &&
        l.leftBy != QLatin1String("Esc"))
        return std::nullopt;
    if (l.event == RecordEvent::Tile && (l.letter.isEmpty() || l.ms < 0)) return std::nullopt;
    return l;
}

std::vector<RecordLine> parseRecord(const QByteArray& bytes)
{
    std::vector<RecordLine> out;
    const QList<QByteArray> lines = bytes.split('\n');
    // The last piece has no line end: a line still being written, or torn by a crash.
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        if (auto l = parseRecordLine(lines[i])) out.push_back(std::move(*l));
    return out;
}

QString recordInStateFolder(const QString& folder)
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty()) state = QDir::homePath() + QStringLiteral("/.local/state");
    const QString absolute = QFileInfo(folder.isEmpty() ? QStringLiteral(".") : folder).absoluteFilePath();
    // Readable enough to find by hand, and the hash keeps two folders of one name apart.
    const QString name = QFileInfo(absolute).fileName();
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
    return state + QStringLiteral("/mokuri/records/") + (name.isEmpty() ? QStringLiteral("root") : name) + u'-' +
           hash + QStringLiteral(".csv");
}

QString existingRecordOf(const QString& folder)
{
    const QString inFolder = fileInFolder(folder, kRecordFileName);
    return QFileInfo::exists(inFolder) ? inFolder : recordInStateFolder(folder);
}

} // namespace mokuri
