// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Labels and the picture box keep their place in twips as single-precision numbers, as the
// layouts were designed; their pixels follow from the screen's scale.
#include "screens/TwipScale.h"

#include <QColor>
#include <QLabel>
#include <optional>

namespace mokuri {

class TwipLabel : public QLabel {
    Q_OBJECT
public:
    TwipLabel(QWidget* parent, const TwipScale& scale, const QString& name, const QString& caption);

    float left() const { return left_; }
    float top() const { return top_; }
    float widthTwips() const { return width_; }
    float heightTwips() const { return height_; }
    int fontSize() const { return fontSize_; }
    void setLeft(float v);
    void setTop(float v);
    void setWidthTwips(float v);
    void setHeightTwips(float v);
    void setFontSize(int points);
    void setCaption(const QString& text);
    void setGeometryTwips(float left, float top, float width, float height);

    void setColours(std::optional<QColor> background, QColor foreground);
    void setBorder(bool fixedSingle);
    // A self-sizing label follows its caption; its left and top edges stay.
    void setAutoSize(bool on);
    bool autoSize() const { return autoSize_; }

protected:
    const TwipScale& scale() const { return scale_; }
    void paintEvent(QPaintEvent* e) override;

private:
    void apply();
    void fitToCaption();
    const TwipScale& scale_;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    int fontSize_ = 9;
    bool autoSize_ = false;
    bool border_ = false;
};

// A label whose picture is stretched to its own size.
class TwipImage : public TwipLabel {
    Q_OBJECT
public:
    TwipImage(QWidget* parent, const TwipScale& scale, const QString& name);
    // Shows a picture already decoded at this box's size; a null image empties the box.
    bool setPicture(const QImage& image);
    // This box's size in pixels, the size to decode its pictures at.
    QSize pixelSize() const;
};

} // namespace mokuri
