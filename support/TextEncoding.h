// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files come from Windows (CP932) as well as from Linux editors (UTF-8).
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace mokuri {

// UTF-16 after its byte-order mark; UTF-8 when the bytes are valid UTF-8 (a leading BOM is
// dropped); CP932 otherwise.
QString decodeText(const QByteArray& bytes);

// CP932 when every character has a CP932 form, otherwise UTF-8 with a BOM,
// so that no name is ever written as a replacement character.
QByteArray encodeText(const QString& text);

bool isValidUtf8(QByteArrayView bytes);

// The length of `bytes` without a UTF-8 sequence cut short at its end (a file read only up
// to a limit): so a long UTF-8 file cut in the middle of a letter is still read as UTF-8.
qsizetype completeUtf8Length(const QByteArray& bytes);

} // namespace mokuri
