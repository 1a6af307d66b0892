// SPDX-License-Identifier: GPL-3.0-or-later
// O.txt as a teacher might edit it: any bytes, either encoding.
#include "FuzzCheck.h"
#include "content/FieldReader.h"
#include "content/PraiseLines.h"
#include "support/TextEncoding.h"

using namespace mokuri;

namespace {
bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Text that is not valid UTF-16 is fuzz_encoding's finding; here it would only hide others.
    if (!QStringView(decodeText(bytes)).isValidUtf16()) return 0;

    int ignored = -1;
    const QStringList texts = parsePraiseLines(bytes, &ignored);
    FUZZ_CHECK(texts.size() <= kMaxPraiseLines);
    FUZZ_CHECK(ignored >= 0);
    FUZZ_CHECK(ignored == 0 || texts.size() == kMaxPraiseLines);

    // Every field that is not empty is either taken or counted as ignored, in order; blank
    // lines and blanks at line ends carry nothing.
    QStringList fields;
    FieldReader reader(withoutBlankLines(decodeText(bytes)));
    while (!reader.atEnd()) {
        Field f = reader.next();
        if (!f.text.isEmpty()) fields << f.text;
    }
    FUZZ_CHECK(fields.size() == texts.size() + ignored);
    FUZZ_CHECK(fields.mid(0, texts.size()) == texts, QStringLiteral("praise texts differ from the fields"),
               fields.join(u'|'), texts.join(u'|'));

    for (const QString& t : texts) {
        FUZZ_CHECK(!t.isEmpty());
        // An unquoted field ends at a comma or a line end; a quoted one at the quote.
        FUZZ_CHECK(!t.contains(u'"') || (!t.contains(u',') && !t.contains(u'\r') && !t.contains(u'\n')),
                   QStringLiteral("a text holds a quote and a delimiter"), t);
    }

    // The texts written back one a line, in quotes, read the same: what a teacher's
    // editor saves in either encoding gives the praise the teacher wrote.
    QString rewritten;
    bool quotable = true;
    for (const QString& t : texts) {
        quotable = quotable && !t.contains(u'"');
        rewritten += u'"' + t + QStringLiteral("\"\r\n");
    }
    if (quotable) {
        const QStringList again = parsePraiseLines(encodeText(rewritten));
        FUZZ_CHECK(again == texts, QStringLiteral("praise texts changed on a rewrite"), texts.join(u'|'),
                   again.join(u'|'));
        // Plain lines (no quotes) as long as nothing needs quoting.
        bool plain = true;
        QString lines;
        for (const QString& t : texts) {
            plain = plain && !t.contains(u',') && !t.contains(u'\r') && !t.contains(u'\n') && !isBlank(t.front()) &&
                    !isBlank(t.back());
            lines += t + QStringLiteral("\r\n");
        }
        // A leading U+FEFF is taken for a byte-order mark on purpose; without quotes a
        // first text that begins with one cannot be told from the mark.
        if (plain && !(texts.size() > 0 && texts.front().startsWith(QChar(0xFEFF)))) {
            const QStringList fromLines = parsePraiseLines(encodeText(lines));
            FUZZ_CHECK(fromLines == texts, QStringLiteral("praise lines changed on a rewrite"), texts.join(u'|'),
                       fromLines.join(u'|'));
        }
    }
    return 0;
}
