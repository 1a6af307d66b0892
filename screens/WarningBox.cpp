// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/WarningBox.h"

#include <QMessageBox>
#include <QTimer>
#include <cstdlib>

namespace mokuri {

void showWarningBox(const QString& text, const QFont* font)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("モクリ"), text, QMessageBox::Ok);
    // Names of files and folders are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    if (font) box.setFont(*font);
    if (const char* ms = std::getenv("MOKURI_MESSAGE_TIMEOUT_MS"))
        QTimer::singleShot(std::atoi(ms), &box, &QMessageBox::accept);
    box.exec();
}

} // namespace mokuri
