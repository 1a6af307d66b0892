// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Presses OK on every message box as soon as it shows and keeps its text, so that no test
// waits for a box nobody is there to close.
#include <QApplication>
#include <QMessageBox>
#include <QStringList>

namespace mokuri::test {

class MessageCloser : public QObject {
public:
    QStringList texts;
    // Watches every window of the application while it exists.
    MessageCloser() { qApp->installEventFilter(this); }
    ~MessageCloser() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Show)
            if (auto* box = qobject_cast<QMessageBox*>(o)) {
                texts << box->text();
                QMetaObject::invokeMethod(box, &QMessageBox::accept, Qt::QueuedConnection);
            }
        return false;
    }
};

} // namespace mokuri::test
