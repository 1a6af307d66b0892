// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/PracticeRecord.h"

#include "content/PictureFolder.h"
#include "support/TextEncoding.h"
#include "support/XdgFolders.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <numeric>
#include <utility>

namespace mokuri {

namespace {

const char* const kColumns[] = {"time", "session", "question", "event", "picture", "word", "instruction", "model",
                                "decoys", "decoy_kind", "take_by", "letter", "expected", "right", "ms", "restarts",
                                "left_by", "access"};
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

// A spreadsheet takes a cell that starts with one of these for a formula: a picture named
// "=HYPERLINK(...).jpg" must stay a name.
bool startsFormula(QStringView text)
{
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && kFormulaStarts.contains(text.front());
}

// The leading apostrophe spreadsheets read as "text follows". Also put before a text that
// already starts with an apostrophe and a formula start, so that reading it back is exact.
bool needsTextMark(QStringView text)
{
    return startsFormula(text) || (text.startsWith(u'\'') && (startsFormula(text.mid(1)) || text.mid(1).startsWith(u'\'')));
}

QString withoutTextMark(const QString& field)
{
    return field.startsWith(u'\'') && needsTextMark(QStringView(field).mid(1)) ? field.mid(1) : field;
}

QByteArray csvField(const QString& text)
{
    QByteArray bytes = (needsTextMark(text) ? u'\'' + text : text).toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') && !bytes.contains('\r')) return bytes;
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

// Reads a record's bytes one CSV line at a time; a quoted field may hold line ends.
class CsvCursor {
public:
    struct Line {
        QList<QByteArray> fields;
        bool ended = false;      // false: the bytes ran out first (a line still being written, or torn)
        qsizetype resume = -1;   // just after its first line end inside quotes, or -1
    };

    CsvCursor(QByteArrayView bytes, char separator) : bytes_(bytes), separator_(separator) {}
    bool atEnd() const { return pos_ >= bytes_.size(); }
    // Goes on from a line's `resume`: a line torn inside a quoted field (a crash) is closed by
    // the next line the game writes, and its open quote must not swallow that line.
    void resumeAt(qsizetype pos) { pos_ = pos; }

    Line next()
    {
        Line line;
        QByteArray field;
        bool quoted = false;
        int breaks = 0;
        while (pos_ < bytes_.size()) {
            const char c = bytes_[pos_++];
            if (quoted) {
                if (c == '"' && pos_ < bytes_.size() && bytes_[pos_] == '"') field += bytes_[pos_++];
                else if (c == '"') quoted = false;
                else field += c;
                if (c == '\n' && line.resume < 0) line.resume = pos_;
                // No name holds this many line ends: an open quote torn off its line, which
                // must not make every later line be read to the next quote.
                if (c == '\n' && ++breaks > kMaxBreaksInAField) return line;
            } else if (c == '"') {
                quoted = true;
            } else if (c == separator_) {
                line.fields << field;
                field.clear();
            } else if (c == '\n') {
                if (field.endsWith('\r')) field.chop(1);
                line.fields << field;
                line.ended = true;
                return line;
            } else {
                field += c;
            }
        }
        line.fields << field;
        return line;
    }

private:
    static constexpr int kMaxBreaksInAField = 8;
    QByteArrayView bytes_;
    char separator_;
    qsizetype pos_ = 0;
};

// Where each of today's columns stands in a record's lines; -1 for a column it lacks.
struct ColumnPlaces {
    int place[kColumnCount];
    qsizetype width = kColumnCount;  // the number of fields a line must have

    ColumnPlaces() { std::iota(std::begin(place), std::end(place), 0); }
    // From a header line: columns found by name, unknown ones (a later version's) ignored.
    explicit ColumnPlaces(const QList<QByteArray>& header) : width(header.size())
    {
        for (int k = 0; k < kColumnCount; ++k) place[k] = int(header.indexOf(QByteArray(kColumns[k])));
    }
    // The columns a line cannot be read without.
    bool complete() const { return place[0] >= 0 && place[1] >= 0 && place[2] >= 0 && place[3] >= 0; }
};

enum Column { Time, Session, Number, Event, Picture, Word, InstructionCol, Model, Decoys, DecoyKindCol, TakeBy,
              Letter, Expected, Right, Ms, Restarts, LeftBy, Access };

std::optional<RecordLine> lineFrom(const QList<QByteArray>& fields, const ColumnPlaces& columns)
{
    if (fields.size() != columns.width) return std::nullopt;
    const auto raw = [&](Column c) {
        const int at = columns.place[c];
        return at >= 0 ? QString::fromUtf8(fields[at]) : QString();
    };
    const auto text = [&](Column c) { return withoutTextMark(raw(c)); };
    RecordLine l;
    l.time = QDateTime::fromString(raw(Time), Qt::ISODateWithMs);
    const std::optional<RecordEvent> event = eventOf(raw(Event));
    bool numberOk = false;
    l.question = raw(Number).toInt(&numberOk);
    if (!l.time.isValid() || !event || !numberOk) return std::nullopt;
    l.event = *event;
    l.session = text(Session);
    l.picture = text(Picture);
    l.word = text(Word);
    if (l.event == RecordEvent::Question) {
        const QString kind = raw(DecoyKindCol);
        l.settings.instruction = raw(InstructionCol) == QLatin1String("name") ? Instruction::ReadThePicture
                                                                              : Instruction::SayTheWord;
        l.settings.showModel = raw(Model) != QLatin1String("0");
        l.settings.decoyCount = DecoyCount(int16_t(raw(Decoys).toShort()));
        l.settings.decoyKind = kind == QLatin1String("katakana") ? DecoyKind::Katakana
                               : kind == QLatin1String("digits") ? DecoyKind::Digits
                                                                  : DecoyKind::Hiragana;
        l.settings.takeTile = raw(TakeBy) == QLatin1String("touch") ? TakeTile::ByTouch : TakeTile::ByClick;
        l.access = text(Access);
        if (l.access.isEmpty()) l.access = raw(TakeBy) == QLatin1String("touch") ? QStringLiteral("touch") : QStringLiteral("click");
        // The last field is empty on this line: a line torn short lacks columns instead.
    }
    // Only what the event's own columns say, as the game writes them: a value a spreadsheet
    // left in another event's column would be lost on the next save.
    if (l.event == RecordEvent::Tile) {
        l.letter = text(Letter);
        l.expected = text(Expected);
        l.right = raw(Right) == QLatin1String("1");
    }
    bool msOk = false;
    l.ms = raw(Ms).toLongLong(&msOk);
    if (!msOk || l.ms < 0) l.ms = -1;  // unknown
    if (l.event != RecordEvent::Question && l.event != RecordEvent::Tile) l.restarts = std::max(0, raw(Restarts).toInt());
    if (l.event == RecordEvent::Left) l.leftBy = text(LeftBy);
    // A line torn inside its last field would still have every column.
    if (l.event == RecordEvent::Left && l.leftBy != QLatin1String("H") && l.leftBy != QLatin1String("N") &&
        l.leftBy != QLatin1String("Esc"))
        return std::nullopt;
    if (l.event == RecordEvent::Tile && (l.letter.isEmpty() || l.ms < 0)) return std::nullopt;
    return l;
}

// A record as UTF-8: a spreadsheet may have saved it as UTF-16, and may have put a mark first.
QByteArray asUtf8(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) return decodeText(bytes).toUtf8();
    qsizetype start = 0;
    while (QByteArrayView(bytes).sliced(start).startsWith("\xEF\xBB\xBF")) start += 3;
    return start ? bytes.mid(start) : bytes;
}

} // namespace

QByteArray recordHeader()
{
    QByteArray out;
    for (int i = 0; i < kColumnCount; ++i) out += QByteArray(i ? "," : "") + kColumns[i];
    return out + '\n';
}

int recordColumnCount() { return kColumnCount; }

int recordColumnsOf(QByteArrayView header)
{
    const qsizetype end = header.indexOf('\n');
    QByteArray first = header.first(end < 0 ? header.size() : end).toByteArray();
    if (first.endsWith('\r')) first.chop(1);
    const QList<QByteArray> names = first.split(',');
    if (names.size() >= kColumnCount || names.value(0) != kColumns[0]) return kColumnCount;
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names[i] != kColumns[i]) return kColumnCount;
    return int(names.size());
}

QByteArray formatRecordLine(const RecordLine& l, int columns)
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
        question ? csvField(l.access) : "",
    };
    return fields.first(std::clamp(columns, 1, kColumnCount)).join(',') + '\n';
}

std::optional<RecordLine> parseRecordLine(const QByteArray& line)
{
    const QByteArray whole = line + '\n';
    const CsvCursor::Line l = CsvCursor(whole, ',').next();
    return l.ended ? lineFrom(l.fields, ColumnPlaces()) : std::nullopt;
}

RecordReading readRecord(const QByteArray& recordBytes, const std::function<void(const RecordLine&)>& take)
{
    RecordReading out;
    const QByteArray bytes = asUtf8(recordBytes);
    // A spreadsheet's "Unicode text" separates by tabs.
    const QByteArrayView firstLine = QByteArrayView(bytes).first(std::max<qsizetype>(0, bytes.indexOf('\n')));
    CsvCursor cursor(bytes, !firstLine.contains(',') && firstLine.contains('\t') ? '\t' : ',');
    ColumnPlaces columns;
    bool first = true;
    while (!cursor.atEnd()) {
        const CsvCursor::Line line = cursor.next();
        if (std::exchange(first, false) && line.ended && line.fields.value(0) == kColumns[0]) {
            columns = ColumnPlaces(line.fields);
            out.missingColumns = !columns.complete();
            continue;
        }
        const std::optional<RecordLine> l =
            line.ended && !out.missingColumns ? lineFrom(line.fields, columns) : std::nullopt;
        if (l) {
            ++out.read;
            take(*l);
        } else if (line.resume >= 0) {
            ++out.skipped;
            cursor.resumeAt(line.resume);
        } else if (!line.ended) {
            out.tornEnd = true;
        } else if (line.fields.size() > 1 || !line.fields.front().isEmpty()) {  // not a blank line
            ++out.skipped;
        }
    }
    return out;
}

std::vector<RecordLine> parseRecord(const QByteArray& bytes)
{
    std::vector<RecordLine> out;
    readRecord(bytes, [&out](const RecordLine& l) { out.push_back(l); });
    return out;
}

QString folderCode(const QString& folder)
{
    const QString absolute = QFileInfo(folder.isEmpty() ? QStringLiteral(".") : folder).absoluteFilePath();
    // Readable enough to find by hand, and the hash keeps two folders of one name apart.
    const QString name = QFileInfo(absolute).fileName();
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
    return (name.isEmpty() ? QStringLiteral("root") : name) + u'-' + hash;
}

QString recordInStateFolder(const QString& folder)
{
    const QString state = stateHome();
    if (state.isEmpty()) return {};
    return state + QStringLiteral("/mokuri/records/") + folderCode(folder) + QStringLiteral(".csv");
}

QString existingRecordOf(const QString& folder)
{
    // A link in the record's place is none the game wrote to.
    const QFileInfo inFolder(fileInFolder(folder, kRecordFileName));
    return inFolder.exists() && !inFolder.isSymLink() ? inFolder.filePath() : recordInStateFolder(folder);
}

} // namespace mokuri
