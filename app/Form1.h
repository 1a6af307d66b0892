#pragma once
// The main screen: a borderless window over the whole display on which the questions
// are played. Its members are defined by concern: start-up and the screen itself in
// app/, the question logic in game/.
#include "app/PictureLoader.h"
#include "app/TwipControls.h"
#include "content/Globals.h"
#include "game/Letters.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

class QWindow;

namespace mokuri {

class SoundControl;
class SpeechControl;
class Form2;
class Form3;

class TileLabel : public TwipLabel {
    Q_OBJECT
public:
    TileLabel(QWidget* parent, int index);
    int Index() const { return index_; }
signals:
    void MouseMoved(int index);
    void Clicked(int index);
protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
private:
    int index_;
    bool pressed_ = false;
};

class Form1 : public QWidget {
    Q_OBJECT
public:
    // The form owns both controls.
    Form1(std::unique_ptr<SoundControl> sound, SpeechControl* speech, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up, before the window is shown. False when the program must end (no picture).
    bool Form_Load();
    // Shows the window over the whole screen; its first activation starts the game.
    void ShowFullScreen();

    // --- the question logic (game/) ---
    void Form_Activate();
    void SetUpQuestion();
    void HideQuestion();
    void ShowQuestion();
    void AddHiraganaDecoy();
    void AddKatakanaDecoy();
    void AddDigitDecoy();
    void Label2_MouseMove(int index);
    void Label2_Click(int index);
    void JudgeTouchedTile();
    void PlaySoundFile();
    void WaitWhileSoundPlays();
    void SpeakSpeechText();
    void PtSvr1_SpeechEnded();
    void Timer1_Timer();
    void Timer2_Timer();
    void Form_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    // Creates the dialog at its first opening, then shows it modeless and without owner.
    void OpenSettingsDialog();
    void OpenTaskDialog();
    // Brings the main screen back in front of a dialog and activates it.
    void ReturnFromDialog();

    // Outer size of the window in twips.
    float FormWidth() const { return formWidth_; }
    float FormHeight() const { return formHeight_; }

    // --- controls ---
    TwipImage* Image1 = nullptr;
    TwipLabel* Label1 = nullptr;
    std::array<TileLabel*, 10> Label2{};
    TwipLabel* Label3 = nullptr;
    TwipLabel* Label4 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    SoundControl* MMControl1 = nullptr;
    SpeechControl* PtSvr1 = nullptr;

    // --- question state ---
    int16_t TaskIndex = 0;
    QString AnswerWord;
    int16_t WordLength = 0;
    QString TileString;
    int16_t TileCount = 0;
    QString TileLetters[10];
    int16_t TileSlots[10] = {};
    int16_t LastSlot = 5;
    int16_t TileSize = 0;
    int16_t NextLetterPos = 0;
    int16_t TouchedTile = 0;
    int16_t TouchBusy = VbFalse;
    int16_t Speaking = VbFalse;
    QString SoundFile;
    QString SpeechText;
    QString PraiseTexts[MaxPraiseTexts];
    int16_t PraiseCount = 0;
    LetterTables Letters;

    // The dialogs, created at their first opening and never closed.
    QPointer<Form2> SettingsDialog;
    QPointer<Form3> TaskDialog;

    // Decodes the picture of the task at `index` ahead of its question.
    void PrefetchTaskPicture(int index);
    PictureLoader Pictures;

    // Window-system activations that count as the main screen becoming active.
    int ActivationCount() const { return activations_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void CreateControls();
    void SetFormSize(float width, float height);
    void PlaceCorrectMark();
    void OnFocusWindowChanged(QWindow* now);
    void ApplyPointer();

    std::unique_ptr<SoundControl> sound_;
    float formWidth_ = 6345, formHeight_ = 4680;
    QWindow* lastFocus_ = nullptr;
    bool firstActivationDone_ = false;
    int activations_ = 0;
};

// The command line as one text: the arguments joined by single blanks.
QString CommandLineFromArguments(const QStringList& argsWithoutProgram);

// Tells the adult that the folder holds no picture (a warning box titled "モクリ").
void ShowNoPicturesMessage();

} // namespace mokuri
