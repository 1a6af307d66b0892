// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/WaitingScreen.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace mokuri {

WaitingScreen::WaitingScreen(const QString& folder) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("waitingScreen"));
    setWindowTitle(QStringLiteral("モクリ"));
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0, 128, 128));
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    const QString shown = QDir::toNativeSeparators(QFileInfo(folder.isEmpty() ? QStringLiteral(".") : folder).absoluteFilePath());
    message = new QLabel(QStringLiteral("フォルダ「%1」の応答を待っています。\nEsc キーで終了します。").arg(shown), this);
    // A folder's name is shown as it is, never read as markup.
    message->setTextFormat(Qt::PlainText);
    message->setAlignment(Qt::AlignCenter);
    message->setWordWrap(true);
    QFont f = message->font();
    f.setPointSize(16);
    message->setFont(f);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
}

void WaitingScreen::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        emit quitRequested();
        return;
    }
    QWidget::keyPressEvent(e);
}

void WaitingScreen::closeEvent(QCloseEvent* e)
{
    e->ignore();
    emit quitRequested();
}

} // namespace mokuri
