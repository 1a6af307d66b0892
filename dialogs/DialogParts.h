#pragma once
// What the two dialogs share: their frameless window with its drawn frame, their fonts,
// placing controls in twips, and telling a real activation from a return from elsewhere.
#include <QFont>
#include <QRect>
#include <QWidget>

class QLabel;
class QPushButton;
class QWindow;

namespace mokuri {

// The dialogs' own font for every control but the titles.
QFont DialogFont();
// The titles' font.
QFont DialogTitleFont();

// Puts a child at a place given in twips, relative to its container.
void PlaceTwips(QWidget* w, float left, float top, float width, float height);

// A button that Enter does not press: neither dialog has a default button.
QPushButton* MakeDialogButton(QWidget* parent, const QString& name, const QString& caption);

// The publisher credit, on the system's button-shadow colour.
QLabel* MakeCreditLabel(QWidget* parent, const QString& name);

// Tells the adult that a file could not be saved and that the choice holds only until the
// program ends. `what` names the choice, e.g. "設定".
void ShowNotSavedMessage(const QString& path, const QString& what);

// The base of both dialogs: a borderless window without owner, centred on the screen,
// with a one-pixel rectangle drawn on its surface (`Shape1`).
class DialogWindow : public QWidget {
    Q_OBJECT
public:
    DialogWindow(const QString& name, const QString& caption, float clientWidth, float clientHeight, QRect shapeTwips);
    ~DialogWindow() override;

    // Shows the dialog in front of the main screen, active, after its activation has run.
    void ShowFromMainScreen();
    // Activations so far (each runs Form_Activate).
    int ActivationCount() const { return activations_; }
    // The drawn frame in pixels.
    QRect ShapeRect() const;

    virtual void Form_Activate() = 0;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void OnFocusWindowChanged(QWindow* now);
    void RunActivation();

    QRect shapeTwips_;
    QWindow* lastFocus_ = nullptr;
    bool activatedBeforeFocus_ = false;
    int activations_ = 0;
};

} // namespace mokuri
