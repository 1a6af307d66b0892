#include "app/Form1.h"

#include "app/Fonts.h"
#include "app/Trace.h"
#include "app/WarningBox.h"
#include "content/PictureCatalog.h"
#include "content/PraiseFile.h"
#include "content/SettingsFile.h"
#include "content/TaskListFile.h"
#include "game/TileGeometry.h"
#include "media/SoundControl.h"
#include "media/SpeechControl.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace mokuri {

TileLabel::TileLabel(QWidget* parent, int index)
    : TwipLabel(parent, QStringLiteral("Label2_%1").arg(index), QStringLiteral("Label2")), index_(index)
{
    setMouseTracking(true);
}

void TileLabel::mouseMoveEvent(QMouseEvent* e)
{
    emit MouseMoved(index_);
    TwipLabel::mouseMoveEvent(e);
}

void TileLabel::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton;
}

void TileLabel::mouseReleaseEvent(QMouseEvent* e)
{
    // A click is a press and a release on the same tile.
    bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    if (click) emit Clicked(index_);
}

Form1::Form1(std::unique_ptr<SoundControl> sound, SpeechControl* speech, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), sound_(std::move(sound))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    MMControl1 = sound_.get();
    PtSvr1 = speech;
    if (PtSvr1) {
        PtSvr1->setParent(this);
        connect(PtSvr1, &SpeechControl::SpeechEnded, this, &Form1::PtSvr1_SpeechEnded);
    }
    CreateControls();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Form1::OnFocusWindowChanged);
}

Form1::~Form1()
{
    // Closing the dialogs moves the focus; a half-destroyed screen must not hear of it.
    disconnect(qApp, &QGuiApplication::focusWindowChanged, this, nullptr);
}

void Form1::CreateControls()
{
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0, 128, 128));
    setPalette(p);
    setAutoFillBackground(true);
    QFont f(QString::fromUtf8(kGothic));
    f.setPointSize(9);
    f.setBold(true);
    setFont(f);
    setFocusPolicy(Qt::StrongFocus);
    SetFormSize(6345, 4680);

    // Created bottom to top: a later sibling is drawn over an earlier one.
    Image1 = new TwipImage(this, QStringLiteral("Image1"));
    Image1->SetGeometryTwips(1800, 1080, 2415, 2175);

    Label1 = new TwipLabel(this, QStringLiteral("Label1"), QStringLiteral("Label1"));
    Label1->SetColours(QColor(255, 255, 255), QColor(128, 128, 255));
    Label1->SetBorder(true);
    Label1->SetGeometryTwips(600, 120, 690, 240);
    Label1->SetAutoSize(true);

    auto makeTile = [this](int i) {
        auto* t = new TileLabel(this, i);
        t->SetColours(QColor(255, 255, 255), QColor(0, 0, 0));
        t->SetBorder(true);
        t->SetGeometryTwips(120 + 600 * i, 3960, 495, 495);
        connect(t, &TileLabel::MouseMoved, this, &Form1::Label2_MouseMove);
        connect(t, &TileLabel::Clicked, this, &Form1::Label2_Click);
        Label2[size_t(i)] = t;
    };
    makeTile(0);

    Label4 = new TwipLabel(this, QStringLiteral("Label4"), QStringLiteral("○"));
    Label4->SetColours(std::nullopt, QColor(255, 0, 0));
    Label4->SetGeometryTwips(4680, 2400, 975, 975);
    Label4->hide();

    for (int i = 1; i < 10; ++i) makeTile(i);

    Label3 = new TwipLabel(this, QStringLiteral("Label3"), QStringLiteral("×"));
    Label3->SetColours(std::nullopt, QColor(255, 0, 0));
    Label3->SetGeometryTwips(840, 2640, 735, 735);
    Label3->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);
}

void Form1::SetFormSize(float width, float height)
{
    formWidth_ = width;
    formHeight_ = height;
    resize(std::max(1, ToPixels(width)), std::max(1, ToPixels(height)));
}

void Form1::PlaceCorrectMark()
{
    // From the outer size of the window: the same numbers whatever the frame.
    MarkGeometry g = CorrectMarkGeometry(FormWidth(), FormHeight());
    Label4->SetFontSize(g.fontSize);
    Label4->SetTop(g.top);
    Label4->SetLeft(g.left);
    Label4->SetWidth(g.width);
    Label4->SetHeight(g.height);
}

bool Form1::Form_Load()
{
    DataFolder = CommandLineText.isEmpty() ? QString() : CommandLineText + u'/';
    TraceEvent("start", {QStringLiteral("folder=") + CommandLineText});

    // A folder that is not there gets nothing written into it or anywhere else.
    if (!CommandLineText.isEmpty() && !QFileInfo(CommandLineText).isDir()) {
        std::fprintf(stderr, "mokuri: the folder \"%s\" does not exist\n", qPrintable(CommandLineText));
        ShowNoPicturesMessage();
        return false;
    }

    LoadSettings();
    LoadPraiseTexts(PraiseTexts, PraiseCount);
    if (!LoadPictureList()) {
        ShowNoPicturesMessage();
        return false;
    }
    LoadTaskList();

    QSize px = ScreenSizePixels();
    move(0, 0);
    SetFormSize(ToTwips(px.width()), ToTwips(px.height()));
    PlaceCorrectMark();
    BuildLetterTables(Letters);
    return true;
}

void Form1::ShowFullScreen()
{
    move(0, 0);
    show();
    raise();
    activateWindow();
}

void Form1::OnFocusWindowChanged(QWindow* now)
{
    QWindow* before = lastFocus_;
    lastFocus_ = now;
    if (!now || now != windowHandle()) return;
    // Coming back from another application's window starts nothing; coming from one of
    // our dialogs (or the first showing) starts a new series of questions.
    if (!firstActivationDone_ || (before && before != now)) {
        firstActivationDone_ = true;
        // Without a window manager a clicked window is not raised: cover the dialog.
        raise();
        ++activations_;
        Form_Activate();
    }
}

void Form1::ReturnFromDialog()
{
    show();
    raise();
    activateWindow();
}

void Form1::keyPressEvent(QKeyEvent* e)
{
    int code = 0;
    switch (e->key()) {
    case Qt::Key_Escape: code = 27; break;
    case Qt::Key_H: code = 72; break;
    case Qt::Key_N: code = 78; break;
    default: code = e->key() < 0x100 ? e->key() : 0; break;
    }
    Form_KeyDown(code, e->modifiers());
}

void Form1::closeEvent(QCloseEvent* e)
{
    // Closed by the window manager: end as Esc does, with nothing left sounding.
    if (MMControl1) {
        MMControl1->SetCommand(QStringLiteral("Stop"));
        MMControl1->SetCommand(QStringLiteral("Close"));
    }
    if (PtSvr1) PtSvr1->StopSpeaking();
    e->accept();
}

QString CommandLineFromArguments(const QStringList& argsWithoutProgram) { return argsWithoutProgram.join(u' '); }

void ShowNoPicturesMessage()
{
    TraceEvent("warning", {QStringLiteral("no pictures")});
    ShowWarningBox(QStringLiteral("画像データが足りません！"));
}

} // namespace mokuri
