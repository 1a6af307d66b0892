// A touched or clicked tile: hear its letter, then right (into the answer row) or wrong ("×").
#include "app/Form1.h"
#include "app/Trace.h"
#include "game/Random.h"
#include "game/TaskOrder.h"
#include "game/TileGeometry.h"
#include "media/SoundControl.h"

namespace mokuri {

void Form1::Label2_MouseMove(int index)
{
    if (!GameSettings.TouchOnly) return;
    if (Speaking || NextLetterPos == WordLength) return;
    TouchedTile = int16_t(index);
    JudgeTouchedTile();
}

void Form1::Label2_Click(int index)
{
    if (GameSettings.TouchOnly) return;
    if (Speaking || NextLetterPos == WordLength) return;
    TouchedTile = int16_t(index);
    JudgeTouchedTile();
}

void Form1::JudgeTouchedTile()
{
    if (TouchBusy) return;
    if (MMControl1->Mode() == ModePlaying) return;  // dropped, not queued
    // Only tiles of this question can be judged; a hidden leftover from a longer word cannot.
    if (TouchedTile < 0 || TouchedTile >= TileCount || NextLetterPos >= TileCount) return;
    TileLabel* tile = Label2[size_t(TouchedTile)];
    if (tile->Top() == Label1->Top()) return;
    TouchBusy = VbTrue;

    const QString letter = TileLetters[TouchedTile];
    SoundFile = LetterSoundFile(letter);
    PlaySoundFile();
    WaitWhileSoundPlays();

    if (TileLetters[NextLetterPos] != letter) {
        TraceEvent("wrong", {letter});
        Label3->SetWidth(TileSize);
        Label3->SetTop(FormHeight() * 3 / 4 + Label1->Top());
        Label3->SetLeft(tile->Left());
        Label3->SetHeight(TileSize);
        Label3->SetFontSize(WrongMarkFontSize(TileSize));
        Label3->show();
        SoundFile = QStringLiteral("ブー.wav");
        PlaySoundFile();
        Timer1->start();
        return;
    }

    TraceEvent("right", {letter});
    SoundFile = QStringLiteral("ガチャ.wav");
    PlaySoundFile();
    tile->SetTop(Label1->Top());
    tile->SetLeft(NextLetterPos * tile->Width() + Label1->Left());
    TouchBusy = VbFalse;
    NextLetterPos = int16_t(NextLetterPos + 1);
    if (NextLetterPos < WordLength) return;

    WaitWhileSoundPlays();
    Label4->show();
    SoundFile = QStringLiteral("ピンポン.wav");
    PlaySoundFile();
    WaitWhileSoundPlays();

    const int p = RandomIndex(std::max<int>(PraiseCount, 1));
    SpeechText = PraiseTexts[p] + QStringLiteral("。これが、") + NameWithoutExtension(TaskPictures[TaskIndex]) +
                 QStringLiteral("、だね。");
    SpeakSpeechText();
    TaskIndex = int16_t(TaskIndex + 1);
    if (TaskIndex >= TaskPictureCount) {
        TaskIndex = 0;
        ShuffleTasks();
        PrefetchTaskPicture(TaskIndex);  // the new order has another picture first
    }
    Speaking = VbTrue;
    Timer2->start();
}

} // namespace mokuri
