// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main screen: a borderless window over the whole display that draws the engine's
// question (picture, model row, tiles, the two marks, the pointer) and forwards touches,
// clicks and keys to the engine.
#include "game/Round.h"
#include "screens/ActivationWatcher.h"
#include "pictures/PictureLoader.h"
#include "screens/TwipControls.h"

#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <optional>

class QKeyEvent;
class QTouchEvent;

namespace mokuri {


class TileLabel : public TwipLabel {
    Q_OBJECT
public:
    TileLabel(QWidget* parent, const TwipScale& scale, int index);
    int index() const { return index_; }
signals:
    void touched(int index);
    void clicked(int index);
    // The pointer went off the tile.
    void pointerLeft(int index);
protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
private:
    int index_;
    bool pressed_ = false;
};

// Drawn over a tile, never in the way of the pointer: the scan's highlight (a thick frame of
// yellow between black lines, seen on the white tile and the teal ground alike, and by a
// child with low vision) or a dwell's fill (a dark ring on a white halo growing round).
class TileMarker : public QWidget {
    Q_OBJECT
public:
    enum class Look { Highlight, DwellFill };
    TileMarker(QWidget* parent, Look look);
    // Over `tile`'s place, filled this much (a dwell); hidden for no tile.
    void markTile(const QWidget* tile, double fill = 1.0);
    double fill() const { return fill_; }
protected:
    void paintEvent(QPaintEvent* e) override;
private:
    Look look_;
    double fill_ = 0;
};

class MainScreen : public QWidget {
    Q_OBJECT
public:
    MainScreen(Round& round, const TwipScale& scale, Trace& trace, QWidget* parent = nullptr);
    ~MainScreen() override;

    // Covers a screen of this many pixels: the window's size and the right mark follow it.
    void fitToScreen(QSize screenPixels);
    // Shows the window in the window system's full-screen state, above any panel; its
    // first showing starts the game.
    void showOverScreen();
    // Brings the main screen back in front of a dialog and activates it.
    void returnFromDialog();

    // Outer size of the window in twips.
    float widthTwips() const { return widthTwips_; }
    float heightTwips() const { return heightTwips_; }
    Round& round() { return round_; }
    const ActivationWatcher& activation() const { return activation_; }


protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void createControls();
    void setSizeTwips(float width, float height);
    void layOutFor(QSize pixels);
    void onActivated();
    void hideQuestion();
    void showPicture(const QString& path);
    void onPictureDecoded(const QString& path, QSize size);
    void reportMissingPicture(const QString& path);
    void drawQuestion();
    void placeTile(int tile, int position);
    void showWrongMark(int tile);
    void applyPointer();
    void prefetch(const QString& path);
    void onTouch(QTouchEvent* e);
    TileLabel* tileAt(QPointF position) const;
    void showHighlight(int tile);
    void showDwellFill(int tile, double fill);
    // A key or mouse button that is a switch while switches are on: its number, else 0.
    int switchOfKey(const QKeyEvent& e) const;
    bool forwardSwitchButton(QEvent* e);

    // Found by tests through their object names: Image1, Label1, Label2_0 ..., Label3, Label4.
    TwipImage* picture_ = nullptr;
    TwipLabel* modelRow_ = nullptr;
    std::array<TileLabel*, kMaxTiles> tiles_{};
    TwipLabel* wrongMark_ = nullptr;
    TwipLabel* rightMark_ = nullptr;
    TileMarker* highlight_ = nullptr;  // HighlightFrame
    TileMarker* dwellFill_ = nullptr;  // DwellFill
    int highlightTile_ = -1;
    int dwellTile_ = -1;
    Round& round_;
    const TwipScale& scale_;
    Trace& trace_;
    PictureLoader pictures_;
    QString shownPicture_;
    bool pictureSettled_ = true;  // shown, or reported missing
    float widthTwips_ = 6345, heightTwips_ = 4680;
    QSize laidOutFor_;
    int16_t tileSize_ = 0;
    std::uint64_t pointerLook_ = 0;  // the latest look for Clear.ico
    bool started_ = false;
    bool closing_ = false;
    // Each finger: the tile it went down on (a tap there is a click) and the one under it now.
    struct Finger {
        TileLabel* downOn = nullptr;
        TileLabel* over = nullptr;
    };
    QHash<int, Finger> fingers_;
    ActivationWatcher activation_;
};

// The adult's key a key press means, if any: by its letter on a Latin layout, and by
// its place on the keyboard (the key labelled H, N or Esc) on any other layout or with a
// kana input method on.
std::optional<AdultKey> adultKeyOf(const QKeyEvent& e);

// Tells the adult that the folder holds no picture (a warning box titled "モクリ").
void showNoPicturesMessage(Trace& trace);

} // namespace mokuri
