// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/MainScreen.h"
#include "support/Logging.h"

#include "game/TileGeometry.h"
#include "screens/Fonts.h"
#include "support/FileRead.h"
#include "support/Executor.h"
#include "screens/WarningBox.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QTouchEvent>
#include <QPixmap>
#include <QResizeEvent>

namespace mokuri {

TileLabel::TileLabel(QWidget* parent, const TwipScale& scale, int index)
    : TwipLabel(parent, scale, QStringLiteral("Label2_%1").arg(index), QStringLiteral("Label2")), index_(index)
{
    setMouseTracking(true);
}

void TileLabel::mouseMoveEvent(QMouseEvent* e)
{
    emit touched(index_);
    TwipLabel::mouseMoveEvent(e);
}

void TileLabel::mousePressEvent(QMouseEvent* e) { pressed_ = e->button() == Qt::LeftButton; }

void TileLabel::mouseReleaseEvent(QMouseEvent* e)
{
    // A click is a press and a release on the same tile.
    bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    if (click) emit clicked(index_);
}

void TileLabel::leaveEvent(QEvent* e)
{
    emit pointerLeft(index_);
    TwipLabel::leaveEvent(e);
}

TileMarker::TileMarker(QWidget* parent, Look look) : QWidget(parent), look_(look)
{
    setObjectName(look == Look::Highlight ? QStringLiteral("HighlightFrame") : QStringLiteral("DwellFill"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void TileMarker::markTile(const QWidget* tile, double fill)
{
    if (!tile) {
        hide();
        return;
    }
    fill_ = std::clamp(fill, 0.0, 1.0);
    // The frame lies round the tile, over the teal ground; the ring inside, on the white.
    const int grow = look_ == Look::Highlight ? std::max(6, tile->width() / 8) : 0;
    setGeometry(tile->geometry().adjusted(-grow, -grow, grow, grow));
    raise();
    show();
    update();
}

void TileMarker::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    if (look_ == Look::Highlight) {
        const double band = std::max(6.0, r.width() / 12);
        const double half = band / 2;
        // Black edges on either side of a yellow band.
        p.setPen(QPen(Qt::black, band, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawRect(r.adjusted(half, half, -half, -half));
        p.setPen(QPen(QColor(255, 220, 0), band / 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawRect(r.adjusted(half, half, -half, -half));
        return;
    }
    const double width = std::max(6.0, r.width() / 9);
    const QRectF ring = r.adjusted(width, width, -width, -width);
    // A white halo under a dark track shows the ring on any ground; the fill is dark blue.
    p.setPen(QPen(Qt::white, width + 4, Qt::SolidLine, Qt::FlatCap));
    p.drawEllipse(ring);
    p.setPen(QPen(QColor(160, 160, 160), width, Qt::SolidLine, Qt::FlatCap));
    p.drawEllipse(ring);
    p.setPen(QPen(QColor(0, 0, 150), width, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(ring, 90 * 16, -int(fill_ * 360 * 16));
}

MainScreen::MainScreen(Round& round, const TwipScale& scale, Trace& trace, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), round_(round), scale_(scale), trace_(trace),
      activation_(this, ActivationWatcher::Rules{false, true})
{
    // Fingers are followed here, over all tiles: a touch screen's synthesized mouse would
    // stay with the tile a finger went down on and take nothing on a still tap.
    setAttribute(Qt::WA_AcceptTouchEvents);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    createControls();

    connect(&round_, &Round::questionStarting, this, &MainScreen::showPicture);
    connect(&round_, &Round::questionReady, this, &MainScreen::drawQuestion);
    connect(&round_, &Round::tilePlaced, this, &MainScreen::placeTile);
    connect(&round_, &Round::wrongTile, this, &MainScreen::showWrongMark);
    connect(&round_, &Round::wordDone, rightMark_, &QWidget::show);
    connect(&round_, &Round::upcomingPicture, this, &MainScreen::prefetch);
    connect(&round_, &Round::highlightMoved, this, &MainScreen::showHighlight);
    connect(&round_, &Round::dwellFilled, this, &MainScreen::showDwellFill);
    connect(&pictures_, &PictureLoader::decoded, this, &MainScreen::onPictureDecoded);
    connect(&round_, &Round::quitRequested, this, [] { QCoreApplication::exit(0); });
    connect(&activation_, &ActivationWatcher::activated, this, &MainScreen::onActivated);
}

MainScreen::~MainScreen()
{
    // Deleting a dialog (the adult's dialogs go with this window) moves the focus; that is
    // no activation of a screen going away.
    disconnect(&activation_, nullptr, this, nullptr);
}

void MainScreen::createControls()
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
    setSizeTwips(6345, 4680);

    // Created bottom to top: a later sibling is drawn over an earlier one.
    picture_ = new TwipImage(this, scale_, QStringLiteral("Image1"));
    picture_->setGeometryTwips(1800, 1080, 2415, 2175);

    modelRow_ = new TwipLabel(this, scale_, QStringLiteral("Label1"), QStringLiteral("Label1"));
    modelRow_->setColours(QColor(255, 255, 255), QColor(128, 128, 255));
    modelRow_->setBorder(true);
    modelRow_->setGeometryTwips(600, 120, 690, 240);
    modelRow_->setAutoSize(true);

    auto makeTile = [this](int i) {
        auto* t = new TileLabel(this, scale_, i);
        t->setColours(QColor(255, 255, 255), QColor(0, 0, 0));
        t->setBorder(true);
        t->setGeometryTwips(float(120 + 600 * i), 3960, 495, 495);
        connect(t, &TileLabel::touched, &round_, &Round::onTileTouched);
        connect(t, &TileLabel::clicked, &round_, &Round::onTileClicked);
        connect(t, &TileLabel::pointerLeft, &round_, &Round::onTileLeft);
        tiles_[size_t(i)] = t;
    };
    makeTile(0);

    rightMark_ = new TwipLabel(this, scale_, QStringLiteral("Label4"), QStringLiteral("○"));
    rightMark_->setColours(std::nullopt, QColor(255, 0, 0));
    rightMark_->setGeometryTwips(4680, 2400, 975, 975);
    rightMark_->hide();

    for (int i = 1; i < kMaxTiles; ++i) makeTile(i);

    wrongMark_ = new TwipLabel(this, scale_, QStringLiteral("Label3"), QStringLiteral("×"));
    wrongMark_->setColours(std::nullopt, QColor(255, 0, 0));
    wrongMark_->setGeometryTwips(840, 2640, 735, 735);
    wrongMark_->hide();

    highlight_ = new TileMarker(this, TileMarker::Look::Highlight);
    dwellFill_ = new TileMarker(this, TileMarker::Look::DwellFill);
    // A switch may be a mouse button, pressed wherever the pointer happens to be.
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

void MainScreen::setSizeTwips(float width, float height)
{
    widthTwips_ = width;
    heightTwips_ = height;
    resize(std::max(1, scale_.toPixels(width)), std::max(1, scale_.toPixels(height)));
}

void MainScreen::fitToScreen(QSize screenPixels)
{
    move(0, 0);
    resize(screenPixels.expandedTo(QSize(1, 1)));
    layOutFor(size());
}

void MainScreen::layOutFor(QSize pixels)
{
    laidOutFor_ = pixels;
    widthTwips_ = scale_.toTwips(pixels.width());
    heightTwips_ = scale_.toTwips(pixels.height());
    // From the outer size of the window: the same numbers whatever the frame.
    const MarkGeometry g = rightMarkGeometry(widthTwips_, heightTwips_);
    rightMark_->setFontSize(g.fontSize);
    rightMark_->setTop(g.top);
    rightMark_->setLeft(g.left);
    rightMark_->setWidthTwips(g.width);
    rightMark_->setHeightTwips(g.height);
}

void MainScreen::showOverScreen()
{
    move(0, 0);
    // A window merely sized to the screen is one more window to a window manager: it may
    // keep its panel on top or shrink the window to the work area, over the tile row.
    // Its full-screen state puts the window above any panel at the whole screen's size.
    showFullScreen();
    raise();
    activateWindow();
}

void MainScreen::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    // The window system decides the full-screen size (another screen, a projector plugged
    // in): what is on screen is laid out again on what the window really covers, the
    // question kept as it is, so no tile is left beyond the screen's edge.
    if (e->size() == laidOutFor_) return;
    layOutFor(e->size());
    const bool drawn = !modelRow_->isHidden();
    if (picture_->isHidden()) return;
    showPicture(shownPicture_);
    if (!drawn) return;
    drawQuestion();
    const Question& q = round_.question();
    for (int i = 0; i < q.tileCount(); ++i)
        if (q.isPlaced(i)) placeTile(i, q.placedAt[size_t(i)]);
    if (q.wrongTile >= 0) showWrongMark(q.wrongTile);
    if (q.wordDone) rightMark_->show();
    showHighlight(highlightTile_);
    showDwellFill(dwellTile_, dwellFill_->fill());
}

void MainScreen::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (started_) return;
    started_ = true;
    // The first question comes with the first showing, focus or not: a window manager that
    // prevents focus stealing would otherwise leave the child an empty screen.
    QTimer::singleShot(0, this, [this] { round_.start(); });
}

void MainScreen::onActivated()
{
    // Without a window manager a clicked window is not raised: cover the dialog.
    raise();
    round_.start();
}

void MainScreen::returnFromDialog()
{
    show();
    raise();
    activateWindow();
}

void MainScreen::hideQuestion()
{
    picture_->hide();
    modelRow_->hide();
    for (TileLabel* t : tiles_) t->hide();
    wrongMark_->hide();
    rightMark_->hide();
    highlight_->hide();
    dwellFill_->hide();
}

void MainScreen::showPicture(const QString& path)
{
    hideQuestion();
    const TwipRect r = imageRect(widthTwips_, heightTwips_);
    picture_->setGeometryTwips(r.left, r.top, r.width, r.height);
    shownPicture_ = path;
    const QImage image = pictures_.load(path, picture_->pixelSize());
    picture_->setPicture(image);
    pictureSettled_ = !image.isNull() || !pictures_.decoding(path, picture_->pixelSize());
    if (image.isNull() && pictureSettled_) reportMissingPicture(path);
}

void MainScreen::onPictureDecoded(const QString& path, QSize size)
{
    // A picture not decoded ahead comes after its question is shown, and a file changed
    // since it was decoded comes again; one for an earlier question or another window size
    // is left to the loader's store.
    if (path != shownPicture_ || size != picture_->pixelSize()) return;
    const QImage image = pictures_.ready(path, size);
    if (!image.isNull())
        picture_->setPicture(image);
    else if (!pictureSettled_)
        reportMissingPicture(path);
    pictureSettled_ = true;
}

void MainScreen::reportMissingPicture(const QString& path)
{
    trace_.event("missing", {QFileInfo(path).fileName()});
    qCWarning(logScreens, "cannot show the picture %s", qPrintable(path));
}

void MainScreen::drawQuestion()
{
    const Question& q = round_.question();
    const float W = widthTwips_, H = heightTwips_;
    tileSize_ = tileSizeFor(W, q.lastSlot);

    const TwipRect row = modelRowRect(W, H, q.wordLength(), tileSize_);
    modelRow_->setWidthTwips(row.width);
    modelRow_->setHeightTwips(row.height);
    modelRow_->setTop(row.top);
    modelRow_->setLeft(row.left);
    modelRow_->setFontSize(tileFontSize(tileSize_));
    modelRow_->setCaption(q.word);
    // Hidden means white on white: the row keeps its place and size either way.
    modelRow_->setColours(QColor(255, 255, 255), round_.settings().showModel ? QColor(128, 128, 255) : QColor(255, 255, 255));

    for (int i = 0; i < q.tileCount(); ++i) {
        TileLabel* t = tiles_[size_t(i)];
        t->setWidthTwips(tileSize_);
        t->setTop(tileTop(H, modelRow_->top()));
        t->setLeft(tileLeft(q.tileSlots[size_t(i)], tileSize_, q.lastSlot));
        t->setHeightTwips(tileSize_);
        t->setFontSize(tileFontSize(tileSize_));
        t->setCaption(q.tileLetter(i));
    }

    applyPointer();
    picture_->show();
    modelRow_->show();
    for (int i = 0; i < q.tileCount(); ++i) tiles_[size_t(i)]->show();
}

void MainScreen::placeTile(int tile, int position)
{
    TileLabel* t = tiles_[size_t(tile)];
    t->setTop(modelRow_->top());
    t->setLeft(placedTileLeft(position, tileSize_, modelRow_->left()));
}

void MainScreen::showWrongMark(int tile)
{
    const TwipRect r = wrongMarkRect(heightTwips_, modelRow_->top(), tiles_[size_t(tile)]->left(), tileSize_);
    wrongMark_->setWidthTwips(r.width);
    wrongMark_->setTop(r.top);
    wrongMark_->setLeft(r.left);
    wrongMark_->setHeightTwips(r.height);
    wrongMark_->setFontSize(wrongMarkFontSize(tileSize_));
    wrongMark_->show();
}

void MainScreen::applyPointer()
{
    if (round_.settings().showPointer) {
        ++pointerLook_;
        setCursor(Qt::ArrowCursor);
        return;
    }
    // Hidden at once, whatever the icon: it is what the adult asked for. The icon is read on
    // the executor (only a regular file: a FIFO would block its reader for ever; a stalled
    // network share blocks even a look) and put in when it comes.
    setCursor(Qt::BlankCursor);
    const std::uint64_t look = ++pointerLook_;
    const QString iconFile = QDir::current().absoluteFilePath(QStringLiteral("Clear.ico"));
    Executor::shared().run(
        this,
        [iconFile] {
            QImage read;
            if (isRegularFile(iconFile)) read.load(iconFile);
            return read;
        },
        [this, look](const QImage& image) {
            if (look != pointerLook_ || round_.settings().showPointer) return;  // a later question's look decides
            if (image.isNull()) {
                trace_.event("missing", {QStringLiteral("Clear.ico")});
                return;
            }
            setCursor(QCursor(QPixmap::fromImage(image), 0, 0));
        });
}

void MainScreen::prefetch(const QString& path)
{
    const TwipRect r = imageRect(widthTwips_, heightTwips_);
    pictures_.prefetch(path, QSize(std::max(1, scale_.toPixels(r.width)), std::max(1, scale_.toPixels(r.height))));
}

std::optional<AdultKey> adultKeyOf(const QKeyEvent& e)
{
    switch (e.key()) {
    case Qt::Key_Escape: return AdultKey::Quit;
    case Qt::Key_H: return AdultKey::Settings;
    case Qt::Key_N: return AdultKey::PictureChoice;
    default: break;
    }
    // Any Latin layout has its own H and N, wherever they are (Dvorak's D sits where
    // QWERTY's H does): the place of a key counts only on a layout without Latin letters.
    const QString text = e.text();
    if ((e.key() >= Qt::Key_A && e.key() <= Qt::Key_Z) ||
        (text.size() == 1 && text[0].isLetter() && text[0].script() == QChar::Script_Latin))
        return std::nullopt;
    // X11 and Wayland key codes (evdev + 8) name the place of a key, whatever the layout.
    switch (e.nativeScanCode()) {
    case 9: return AdultKey::Quit;
    case 43: return AdultKey::Settings;
    case 57: return AdultKey::PictureChoice;
    default: return std::nullopt;
    }
}

void MainScreen::showHighlight(int tile)
{
    highlightTile_ = tile;
    highlight_->markTile(tile >= 0 && tile < kMaxTiles ? tiles_[size_t(tile)] : nullptr);
}

void MainScreen::showDwellFill(int tile, double fill)
{
    dwellTile_ = tile;
    dwellFill_->markTile(tile >= 0 && tile < kMaxTiles ? tiles_[size_t(tile)] : nullptr, fill);
}

int MainScreen::switchOfKey(const QKeyEvent& e) const
{
    if (!round_.access().switches()) return 0;
    // What switch interfaces send: Space for switch 1, Enter for switch 2 (with one switch,
    // either takes).
    switch (e.key()) {
    case Qt::Key_Space: return 1;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 2;
    default: return 0;
    }
}

void MainScreen::keyPressEvent(QKeyEvent* e)
{
    if (const std::optional<AdultKey> key = adultKeyOf(*e)) round_.onAdultKey(*key);
    else if (const int which = switchOfKey(*e)) round_.onSwitchPressed(which, e->isAutoRepeat());
}

void MainScreen::keyReleaseEvent(QKeyEvent* e)
{
    if (const int which = switchOfKey(*e); which && !e->isAutoRepeat()) round_.onSwitchReleased(which);
}

bool MainScreen::forwardSwitchButton(QEvent* e)
{
    const QEvent::Type type = e->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonRelease)
        return false;
    if (!round_.access().switches()) return false;
    const auto* m = static_cast<QMouseEvent*>(e);
    const int which = m->button() == Qt::LeftButton ? 1 : m->button() == Qt::RightButton ? 2 : 0;
    if (which == 0) return false;
    // A quick second press comes as a double click: it is a press all the same.
    if (type == QEvent::MouseButtonRelease) round_.onSwitchReleased(which);
    else round_.onSwitchPressed(which, false);
    return true;
}

bool MainScreen::eventFilter(QObject* watched, QEvent* e)
{
    if (forwardSwitchButton(e)) return true;
    return QWidget::eventFilter(watched, e);
}

bool MainScreen::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        onTouch(static_cast<QTouchEvent*>(e));
        return true;
    default:
        if (forwardSwitchButton(e)) return true;
        return QWidget::event(e);
    }
}

TileLabel* MainScreen::tileAt(QPointF position) const
{
    for (QWidget* w = childAt(position.toPoint()); w; w = w->parentWidget())
        if (auto* tile = qobject_cast<TileLabel*>(w)) return tile;
    return nullptr;
}

void MainScreen::onTouch(QTouchEvent* e)
{
    e->accept();  // no mouse events synthesized from it
    if (e->type() == QEvent::TouchCancel) {
        fingers_.clear();
        return;
    }
    for (const QEventPoint& point : e->points()) {
        TileLabel* tile = tileAt(point.position());
        Finger& finger = fingers_[point.id()];
        switch (point.state()) {
        case QEventPoint::Pressed:
            finger = Finger{tile, tile};
            if (tile) round_.onTileTouched(tile->index());
            break;
        case QEventPoint::Updated:
        case QEventPoint::Stationary:
            // A sliding finger takes each tile it enters, as the pointer passing over it does.
            if (tile != finger.over && finger.over) round_.onTileLeft(finger.over->index());
            if (tile != finger.over && tile) round_.onTileTouched(tile->index());
            finger.over = tile;
            break;
        case QEventPoint::Released:
            if (tile && tile == finger.downOn) round_.onTileClicked(tile->index());
            if (finger.over) round_.onTileLeft(finger.over->index());
            fingers_.remove(point.id());
            break;
        default:
            break;
        }
    }
}

void MainScreen::closeEvent(QCloseEvent* e)
{
    // Closed by the window manager (Alt+F4, a panel's close): the program ends exactly as
    // by Esc, with the record's line for leaving, and no dialog left behind on its own.
    if (!closing_) {
        closing_ = true;
        round_.onAdultKey(AdultKey::Quit);
    }
    e->accept();
}

void showNoPicturesMessage(Trace& trace)
{
    trace.event("warning", {QStringLiteral("no pictures")});
    showWarningBox(QStringLiteral("画像データが足りません！"));
}

} // namespace mokuri
