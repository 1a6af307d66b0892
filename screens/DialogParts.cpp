// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/DialogParts.h"

#include "screens/Fonts.h"
#include "screens/WarningBox.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <utility>

namespace mokuri {

namespace {

// A frame whose top line runs through the middle of its caption, so the line stays above
// the first button at the stored positions (the style's own box starts below the caption
// and would cut through that button).
class CaptionedFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QFontMetrics fm(font());
        const int top = fm.height() / 2;
        const QRect box(0, top, width() - 1, height() - 1 - top);
        // Etched like the system's frames: a shadow line with a light one inside it.
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(box);
        p.setPen(palette().color(QPalette::Light));
        p.drawRect(box.adjusted(1, 1, -1, -1));
        const QRect caption(5, 0, fm.horizontalAdvance(title()) + 4, fm.height());
        p.fillRect(caption, palette().color(QPalette::Window));
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        p.drawText(caption, Qt::AlignCenter, title());
    }
};

} // namespace

QGroupBox* makeCaptionedFrame(QWidget* parent, const QString& caption)
{
    return new CaptionedFrame(caption, parent);
}

QFont dialogFont()
{
    QFont f(QString::fromUtf8(kPGothic));
    f.setPointSize(9);
    f.setBold(false);
    return f;
}

QFont dialogTitleFont()
{
    QFont f(QString::fromUtf8(kPGothic));
    f.setPointSizeF(14.25);
    f.setBold(true);
    return f;
}

void placeTwips(QWidget* w, const TwipScale& scale, float left, float top, float width, float height)
{
    w->setGeometry(scale.toPixels(left), scale.toPixels(top), scale.toPixels(width), scale.toPixels(height));
}

QPushButton* makeDialogButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QLabel* makeCreditLabel(QWidget* parent, const QString& name)
{
    auto* l = new QLabel(QStringLiteral("Ｔａｖｅｍｏ"), parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, p.color(QPalette::Dark));
    l->setPalette(p);
    l->setAutoFillBackground(true);
    return l;
}

void showNotSavedMessage(const QString& path, const QString& what)
{
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const QFont font = dialogFont();
    showWarningBox(QStringLiteral("ファイル「%1」に保存できませんでした。\n"
                                  "この%2は、プログラムを終了するまでの間だけ有効です。")
                       .arg(shown, what),
                   &font);
}

void showSaveWaitingMessage(const QString& path, const QString& what)
{
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const QFont font = dialogFont();
    showWarningBox(QStringLiteral("ファイル「%1」のあるフォルダが応答しません。\n"
                                  "この%2は有効です。フォルダが応答すると保存されます。\n"
                                  "それまでにプログラムを終了すると保存されません。")
                       .arg(shown, what),
                   &font);
}

DialogWindow::DialogWindow(const QString& name, const QString& caption, const TwipScale& scale, float clientWidth,
                           float clientHeight, QRect shapeTwips)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), scale_(scale), shapeTwips_(shapeTwips),
      activation_(this, ActivationWatcher::Rules{false, false})
{
    setObjectName(name);
    setWindowTitle(caption);
    setFont(dialogFont());
    setFixedSize(scale_.toPixels(clientWidth), scale_.toPixels(clientHeight));
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->geometry().size() : QSize(1024, 768);
    move((available.width() - width()) / 2, (available.height() - height()) / 2);
    connect(&activation_, &ActivationWatcher::activated, this, &DialogWindow::showStoredChoices);
}

QRect DialogWindow::shapeRect() const
{
    return QRect(scale_.toPixels(float(shapeTwips_.x())), scale_.toPixels(float(shapeTwips_.y())),
                 scale_.toPixels(float(shapeTwips_.width())), scale_.toPixels(float(shapeTwips_.height())));
}

void DialogWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    p.setBrush(Qt::NoBrush);
    const QRect r = shapeRect();
    // The outline lies inside the shape's own size.
    p.drawRect(r.x(), r.y(), r.width() - 1, r.height() - 1);
}

bool DialogWindow::focusNextPrevChild(bool next)
{
    // Qt enters an option frame at the button that last had the focus there; a Space on it
    // would change the setting. A frame is entered at its button that is on, as Windows does.
    const bool moved = QWidget::focusNextPrevChild(next);
    auto* entered = qobject_cast<QRadioButton*>(focusWidget());
    if (!moved || !entered || entered->isChecked() || !entered->autoExclusive()) return moved;
    for (QRadioButton* b : entered->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
        if (b->isChecked() && b->autoExclusive()) b->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return moved;
}

void DialogWindow::showFromMainScreen()
{
    // The controls are right before the window is seen; the focus arriving from the main
    // screen is the same activation and does not run it again.
    showStoredChoices();
    activation_.skipNextFocus();
    show();
    raise();
    activateWindow();
    if (!notice_.isEmpty()) {
        const QString text = std::exchange(notice_, QString());
        const QFont font = dialogFont();
        showWarningBox(text, &font);
        // The box hands the focus to no one when it closes; the adult goes on in the dialog.
        activateWindow();
    }
}

} // namespace mokuri
