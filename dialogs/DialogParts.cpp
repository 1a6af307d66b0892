#include "dialogs/DialogParts.h"

#include "app/Fonts.h"
#include "app/TwipControls.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include "app/WarningBox.h"

#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <cstdlib>

namespace mokuri {

QFont DialogFont()
{
    QFont f(QString::fromUtf8(kPGothic));
    f.setPointSize(9);
    f.setBold(false);
    return f;
}

QFont DialogTitleFont()
{
    QFont f(QString::fromUtf8(kPGothic));
    f.setPointSizeF(14.25);
    f.setBold(true);
    return f;
}

void PlaceTwips(QWidget* w, float left, float top, float width, float height)
{
    w->setGeometry(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

QPushButton* MakeDialogButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QLabel* MakeCreditLabel(QWidget* parent, const QString& name)
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

void ShowNotSavedMessage(const QString& path, const QString& what)
{
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const QFont font = DialogFont();
    ShowWarningBox(QStringLiteral("ファイル「%1」に保存できませんでした。\n"
                                  "この%2は、プログラムを終了するまでの間だけ有効です。")
                       .arg(shown, what),
                   &font);
}

namespace {

// A message box closing hands the focus back without the window having been left for
// another screen of the program.
bool IsMessageWindow(QWindow* w)
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->windowHandle() == w) return qobject_cast<QDialog*>(top) != nullptr;
    return false;
}

} // namespace

DialogWindow::DialogWindow(const QString& name, const QString& caption, float clientWidth, float clientHeight,
                           QRect shapeTwips)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), shapeTwips_(shapeTwips)
{
    setObjectName(name);
    setWindowTitle(caption);
    setFont(DialogFont());
    setFixedSize(ToPixels(clientWidth), ToPixels(clientHeight));
    const QSize screen = ScreenSizePixels();
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
    lastFocus_ = QGuiApplication::focusWindow();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &DialogWindow::OnFocusWindowChanged);
}

DialogWindow::~DialogWindow()
{
    // Closing the window moves the focus; the derived dialog is gone by then.
    disconnect(qApp, &QGuiApplication::focusWindowChanged, this, nullptr);
}

QRect DialogWindow::ShapeRect() const
{
    return QRect(ToPixels(shapeTwips_.x()), ToPixels(shapeTwips_.y()), ToPixels(shapeTwips_.width()),
                 ToPixels(shapeTwips_.height()));
}

void DialogWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    p.setBrush(Qt::NoBrush);
    const QRect r = ShapeRect();
    // The outline lies inside the shape's own size.
    p.drawRect(r.x(), r.y(), r.width() - 1, r.height() - 1);
}

void DialogWindow::RunActivation()
{
    ++activations_;
    Form_Activate();
}

void DialogWindow::ShowFromMainScreen()
{
    // The controls are right before the window is seen; the focus arriving from the main
    // screen is the same activation and does not run it again.
    RunActivation();
    activatedBeforeFocus_ = true;
    show();
    raise();
    activateWindow();
}

void DialogWindow::OnFocusWindowChanged(QWindow* now)
{
    QWindow* before = lastFocus_;
    lastFocus_ = now;
    if (!now || now != windowHandle()) return;
    const bool opened = activatedBeforeFocus_;
    activatedBeforeFocus_ = false;
    // Coming back from another application (no focus window before) is no activation.
    if (opened || !before || before == now || IsMessageWindow(before)) return;
    RunActivation();
}

} // namespace mokuri
