#pragma once
// Labels and the picture box keep their place in twips (1/1440 inch), as single-precision
// numbers; pixels are derived from them with the screen's logical DPI.
#include <QColor>
#include <QLabel>
#include <optional>

namespace mokuri {

// Twips per pixel of the primary screen: 15 at 96 dpi.
float TwipsPerPixel();
void SetTwipsPerPixelForTesting(float tpp);  // 0 returns to the screen's value
int ToPixels(float twips);
// The primary screen's size in pixels.
QSize ScreenSizePixels();
void SetScreenSizeForTesting(QSize px);  // empty returns to the real screen
float ToTwips(int pixels);

class TwipLabel : public QLabel {
    Q_OBJECT
public:
    explicit TwipLabel(QWidget* parent, const QString& name, const QString& caption);

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    int FontSize() const { return fontSize_; }
    void SetLeft(float v);
    void SetTop(float v);
    void SetWidth(float v);
    void SetHeight(float v);
    void SetFontSize(int points);
    void SetCaption(const QString& text);
    void SetGeometryTwips(float left, float top, float width, float height);

    void SetColours(std::optional<QColor> background, QColor foreground);
    void SetBorder(bool fixedSingle);
    // A self-sizing label follows its caption; its left and top edges stay.
    void SetAutoSize(bool on);
    bool AutoSize() const { return autoSize_; }

private:
    void Apply();
    void FitToCaption();
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    int fontSize_ = 9;
    bool autoSize_ = false;
};

// A label whose picture is stretched to its own size.
class TwipImage : public TwipLabel {
    Q_OBJECT
public:
    explicit TwipImage(QWidget* parent, const QString& name);
    // Shows a picture already decoded at this box's size; a null image empties the box.
    bool SetPicture(const QImage& image);
    // This box's size in pixels, the size to decode its pictures at.
    QSize PixelSize() const;
};

} // namespace mokuri
