#include "app/TwipControls.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace mokuri {

namespace {
float g_testTpp = 0;
QSize g_testScreen;
}

QSize ScreenSizePixels()
{
    if (!g_testScreen.isEmpty()) return g_testScreen;
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(1024, 768);
}

void SetScreenSizeForTesting(QSize px) { g_testScreen = px; }

float TwipsPerPixel()
{
    if (g_testTpp > 0) return g_testTpp;
    static float tpp = [] {
        QScreen* s = QGuiApplication::primaryScreen();
        double dpi = s ? s->logicalDotsPerInchX() : 96.0;
        return dpi > 0 ? float(1440.0 / dpi) : 15.0f;
    }();
    return tpp;
}

void SetTwipsPerPixelForTesting(float tpp) { g_testTpp = tpp; }

int ToPixels(float twips) { return int(std::lround(twips / TwipsPerPixel())); }
float ToTwips(int pixels) { return float(pixels) * TwipsPerPixel(); }

TwipLabel::TwipLabel(QWidget* parent, const QString& name, const QString& caption) : QLabel(caption, parent)
{
    setObjectName(name);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
    // A framed QLabel indents its text by half an 'x', which at tile sizes pushes the kana
    // out of the tile; captions start at the edge as on the original screens.
    setIndent(0);
    setMargin(0);
}

void TwipLabel::Apply()
{
    setGeometry(ToPixels(left_), ToPixels(top_), std::max(0, ToPixels(width_)), std::max(0, ToPixels(height_)));
}

void TwipLabel::SetLeft(float v) { left_ = v; Apply(); }
void TwipLabel::SetTop(float v) { top_ = v; Apply(); }
void TwipLabel::SetWidth(float v) { width_ = v; Apply(); }
void TwipLabel::SetHeight(float v) { height_ = v; Apply(); }

void TwipLabel::SetGeometryTwips(float left, float top, float width, float height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Apply();
}

void TwipLabel::SetFontSize(int points)
{
    fontSize_ = points;
    QFont f = font();
    f.setPointSize(std::max(1, points));
    setFont(f);
    if (autoSize_) FitToCaption();
}

void TwipLabel::SetCaption(const QString& text)
{
    setText(text);
    if (autoSize_) FitToCaption();
}

void TwipLabel::SetColours(std::optional<QColor> background, QColor foreground)
{
    QPalette p = palette();
    if (background) p.setColor(QPalette::Window, *background);
    p.setColor(QPalette::WindowText, foreground);
    setPalette(p);
    setAutoFillBackground(background.has_value());
}

void TwipLabel::SetBorder(bool fixedSingle)
{
    setFrameStyle(fixedSingle ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
    setLineWidth(1);
}

void TwipLabel::SetAutoSize(bool on)
{
    autoSize_ = on;
    if (on) FitToCaption();
}

void TwipLabel::FitToCaption()
{
    QFontMetrics fm(font());
    int border = 2 * frameWidth();
    int w = fm.horizontalAdvance(text()) + border;
    int h = fm.height() + border;
    width_ = ToTwips(w);
    height_ = ToTwips(h);
    Apply();
}

TwipImage::TwipImage(QWidget* parent, const QString& name) : TwipLabel(parent, name, QString())
{
    setScaledContents(true);
}

QSize TwipImage::PixelSize() const { return QSize(std::max(1, ToPixels(Width())), std::max(1, ToPixels(Height()))); }

bool TwipImage::SetPicture(const QImage& image)
{
    if (image.isNull()) {
        clear();
        return false;
    }
    setPixmap(QPixmap::fromImage(image));
    return true;
}

} // namespace mokuri
