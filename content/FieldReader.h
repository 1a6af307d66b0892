// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads comma- and line-separated fields the way the content files are written:
// "quoted texts" (which may hold commas), #TRUE# / #FALSE#, and plain numbers.
#include <QString>
#include <cstdint>
#include <optional>

namespace mokuri {

struct Field {
    QString text;
    bool quoted = false;
};

class FieldReader {
public:
    explicit FieldReader(QString text) : text_(std::move(text)) {}
    bool atEnd() const { return pos_ >= text_.size(); }
    // The next field; at the end an empty field.
    Field next();

private:
    void skipDelimiter();
    QString text_;
    qsizetype pos_ = 0;
};

// The text without blank lines and without blanks at line ends: editors add them, and they
// never carry a value.
QString withoutBlankLines(const QString& text);

// #TRUE# -> -1, #FALSE# -> 0, a decimal that fits 16 bits -> itself; anything else: nothing.
std::optional<int16_t> parseIntegerField(const Field& f);
// A truth value: #TRUE#, #FALSE#, or a number where anything but 0 counts as true.
std::optional<bool> parseBooleanField(const Field& f);

} // namespace mokuri
