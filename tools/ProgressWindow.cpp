// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ProgressWindow.h"

#include <QFont>
#include <QMetaObject>
#include <QPainter>

namespace mokuri::deck {

ProgressWindow::ProgressWindow()
{
    setTitle(QStringLiteral("モクリ"));
    resize(460, 130);
    setFlag(Qt::Dialog);
}

void ProgressWindow::setProgress(int done, int total)
{
    QMetaObject::invokeMethod(
        this,
        [this, done, total] {
            done_ = done;
            total_ = total;
            if (total_ > 0 && !isVisible())
                show();
            update();
        },
        Qt::QueuedConnection);
}

void ProgressWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(QRect(QPoint(0, 0), size()), QColor(0xFF, 0xFB, 0xF0));
    QFont font = p.font();
    font.setPixelSize(20);
    p.setFont(font);
    p.setPen(QColor(0x40, 0x40, 0x40));
    const QRect text(20, 14, width() - 40, 34);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("もじの こえを つくっています… %1 / %2").arg(done_).arg(total_));
    // The bar: letters made out of how many.
    const QRect bar(20, 64, width() - 40, 26);
    p.setPen(QColor(0x90, 0x90, 0x90));
    p.setBrush(Qt::white);
    p.drawRect(bar.adjusted(0, 0, -1, -1));
    if (total_ > 0) {
        QRect filled = bar.adjusted(2, 2, -2, -2);
        filled.setWidth(filled.width() * done_ / total_);
        p.fillRect(filled, QColor(0xF0, 0x90, 0x30));
    }
}

} // namespace mokuri::deck
