// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/FieldReader.h"

namespace mokuri {

namespace {
bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }
}

void FieldReader::skipDelimiter()
{
    // After a field: blanks, then one comma or one line end (CR LF, CR or LF).
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return;
    QChar c = text_[pos_];
    if (c == u',') {
        ++pos_;
    } else if (c == u'\r') {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == u'\n') ++pos_;
    } else if (c == u'\n') {
        ++pos_;
    }
}

Field FieldReader::next()
{
    Field f;
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return f;
    if (text_[pos_] == u'"') {
        f.quoted = true;
        qsizetype close = text_.indexOf(u'"', pos_ + 1);
        if (close < 0) close = text_.size();
        f.text = text_.mid(pos_ + 1, close - pos_ - 1);
        pos_ = std::min(close + 1, text_.size());
        // Anything between the closing quote and the delimiter is dropped.
        while (pos_ < text_.size() && text_[pos_] != u',' && !isLineEnd(text_[pos_])) ++pos_;
        skipDelimiter();
        return f;
    }
    qsizetype start = pos_;
    while (pos_ < text_.size() && text_[pos_] != u',' && !isLineEnd(text_[pos_])) ++pos_;
    f.text = text_.mid(start, pos_ - start);
    while (!f.text.isEmpty() && isBlank(f.text.back())) f.text.chop(1);
    skipDelimiter();
    return f;
}

QString withoutBlankLines(const QString& text)
{
    QString out;
    out.reserve(text.size());
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !isLineEnd(text[end])) ++end;
        qsizetype last = end;
        while (last > start && isBlank(text[last - 1])) --last;
        if (last > start) {
            // Lines joined, not ended: an open quote on the last line must not take a line end.
            if (!out.isEmpty()) out += QStringLiteral("\r\n");
            out += QStringView(text).mid(start, last - start);
        }
        start = end;
        if (start < text.size() && text[start] == u'\r') ++start;
        if (start < text.size() && text[start] == u'\n') ++start;
    }
    return out;
}

std::optional<int16_t> parseIntegerField(const Field& f)
{
    if (f.quoted) return std::nullopt;
    if (f.text == QLatin1String("#TRUE#")) return int16_t(-1);
    if (f.text == QLatin1String("#FALSE#")) return int16_t(0);
    const QString& t = f.text;
    qsizetype i = (t.startsWith(u'-') || t.startsWith(u'+')) ? 1 : 0;
    if (i >= t.size()) return std::nullopt;
    for (qsizetype k = i; k < t.size(); ++k)
        if (t[k] < u'0' || t[k] > u'9') return std::nullopt;
    bool ok = false;
    int v = t.toInt(&ok);
    if (!ok || v < -32768 || v > 32767) return std::nullopt;
    return int16_t(v);
}

std::optional<bool> parseBooleanField(const Field& f)
{
    auto v = parseIntegerField(f);
    if (!v) return std::nullopt;
    return *v != 0;
}

} // namespace mokuri
