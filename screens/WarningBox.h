// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFont>
#include <QString>

namespace mokuri {
// The program's one kind of message: a warning titled "モクリ" with only an OK button.
// MOKURI_MESSAGE_TIMEOUT_MS lets unattended runs (kiosk scripts, tests) have it close itself.
void showWarningBox(const QString& text, const QFont* font = nullptr);
} // namespace mokuri
