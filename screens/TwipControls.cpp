// SPDX-License-Identifier: GPL-3.0-or-later
#include "screens/TwipControls.h"

#include "screens/Fonts.h"

#include <QFontInfo>
#include <QPainter>
#include <cmath>

namespace mokuri {

TwipLabel::TwipLabel(QWidget* parent, const TwipScale& scale, const QString& name, const QString& caption)
    : QLabel(caption, parent), scale_(scale)
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

void TwipLabel::apply()
{
    setGeometry(scale_.toPixels(left_), scale_.toPixels(top_), std::max(0, scale_.toPixels(width_)),
                std::max(0, scale_.toPixels(height_)));
}

void TwipLabel::setLeft(float v) { left_ = v; apply(); }
void TwipLabel::setTop(float v) { top_ = v; apply(); }
void TwipLabel::setWidthTwips(float v) { width_ = v; apply(); }
void TwipLabel::setHeightTwips(float v) { height_ = v; apply(); }

void TwipLabel::setGeometryTwips(float left, float top, float width, float height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    apply();
}

void TwipLabel::setFontSize(int points)
{
    fontSize_ = points;
    QFont f = font();
    f.setPointSize(std::max(1, points));
    setFont(f);
    if (autoSize_) fitToCaption();
}

void TwipLabel::setCaption(const QString& text)
{
    setText(text);
    if (autoSize_) fitToCaption();
}

void TwipLabel::setColours(std::optional<QColor> background, QColor foreground)
{
    QPalette p = palette();
    if (background) p.setColor(QPalette::Window, *background);
    p.setColor(QPalette::WindowText, foreground);
    setPalette(p);
    setAutoFillBackground(background.has_value());
}

void TwipLabel::setBorder(bool fixedSingle)
{
    border_ = fixedSingle;
    setFrameStyle(fixedSingle ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame);
    setLineWidth(1);
}

void TwipLabel::paintEvent(QPaintEvent* e)
{
    QLabel::paintEvent(e);
    if (font().bold() && !text().isEmpty() && !hasBoldFace(font())) {
        // Bold by design in a font without a bold face: thicken the strokes by drawing the
        // caption again a pixel at a time to the right, about 1/24 of the letter size in
        // all, as a font's own synthetic bold does. The caption stays where it was.
        QPainter p(this);
        p.setFont(font());
        p.setPen(palette().color(QPalette::WindowText));
        const int shift = std::max(1, int(std::lround(QFontInfo(font()).pixelSize() / 24.0)));
        for (int dx = 1; dx <= shift; ++dx) p.drawText(contentsRect().translated(dx, 0), int(alignment()), text());
    }
    if (!border_) return;
    // A fixed single border is a thin dark line whatever the caption's colour: the model
    // row's frame stays visible when the model word is drawn white on white.
    QPainter p(this);
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TwipLabel::setAutoSize(bool on)
{
    autoSize_ = on;
    if (on) fitToCaption();
}

void TwipLabel::fitToCaption()
{
    QFontMetrics fm(font());
    int border = 2 * frameWidth();
    width_ = scale_.toTwips(fm.horizontalAdvance(text()) + border);
    height_ = scale_.toTwips(fm.height() + border);
    apply();
}

TwipImage::TwipImage(QWidget* parent, const TwipScale& scale, const QString& name)
    : TwipLabel(parent, scale, name, QString())
{
    setScaledContents(true);
}

QSize TwipImage::pixelSize() const
{
    return QSize(std::max(1, scale().toPixels(widthTwips())), std::max(1, scale().toPixels(heightTwips())));
}

bool TwipImage::setPicture(const QImage& image)
{
    if (image.isNull()) {
        clear();
        return false;
    }
    setPixmap(QPixmap::fromImage(image));
    return true;
}

} // namespace mokuri
