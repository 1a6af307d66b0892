// Turning the current task's picture into a question on the main screen.
#include "app/Form1.h"
#include "app/Trace.h"
#include "game/Random.h"
#include "game/TaskOrder.h"
#include "game/TileGeometry.h"

#include <QBitmap>
#include <QFileInfo>
#include <QPixmap>
#include <cstdio>

namespace mokuri {

void Form1::Form_Activate()
{
    TaskIndex = 0;
    ShuffleTasks();
    SetUpQuestion();
}

void Form1::ApplyPointer()
{
    if (GameSettings.ShowCursor) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    QPixmap icon(QStringLiteral("Clear.ico"));
    if (icon.isNull()) {
        // Hidden is what the adult asked for, icon or not.
        TraceEvent("missing", {QStringLiteral("Clear.ico")});
        setCursor(Qt::BlankCursor);
        return;
    }
    setCursor(QCursor(icon, 0, 0));
}

void Form1::SetUpQuestion()
{
    if (TaskPictureCount < 1) return;  // start-up always leaves at least one task
    if (TaskIndex < 0 || TaskIndex >= TaskPictureCount) TaskIndex = 0;
    const float W = FormWidth(), H = FormHeight();
    const QString picture = TaskPictures[TaskIndex];

    HideQuestion();

    TwipRect img = ImageRect(W, H);
    Image1->SetTop(img.top);
    Image1->SetLeft(img.left);
    Image1->SetWidth(img.width);
    Image1->SetHeight(img.height);
    if (!Image1->SetPicture(Pictures.Load(DataFolder + picture, Image1->PixelSize()))) {
        TraceEvent("missing", {picture});
        std::fprintf(stderr, "mokuri: cannot show the picture %s\n", qPrintable(DataFolder + picture));
    }

    const QString name = NameWithoutExtension(picture);
    TileString = name;
    AnswerWord = name;
    WordLength = int16_t(std::min<qsizetype>(name.size(), 32767));
    if (WordLength > 10) {
        AnswerWord = AnswerWord.left(10);
        WordLength = 10;
    }

    if (GameSettings.DecoyCount > 0) {
        void (Form1::*picker)() = nullptr;
        switch (GameSettings.DecoyKind) {
        case 0: picker = &Form1::AddHiraganaDecoy; break;
        case 1: picker = &Form1::AddKatakanaDecoy; break;
        case 2: picker = &Form1::AddDigitDecoy; break;
        default: break;
        }
        if (picker) {
            (this->*picker)();
            if (GameSettings.DecoyCount == 2) (this->*picker)();
        }
    }

    TileCount = int16_t(std::min<qsizetype>(TileString.size(), 10));
    TileString = TileString.left(TileCount);

    LastSlot = int16_t(std::max<int>(TileCount, 6) - 1);
    for (int i = 0; i <= LastSlot; ++i) TileSlots[i] = int16_t(i);
    for (int k = 0; k <= LastSlot; ++k) {
        int a = RandomIndex(LastSlot + 1);
        int b = RandomIndex(LastSlot + 1);
        std::swap(TileSlots[a], TileSlots[b]);
    }

    TileSize = TileSizeFor(W, LastSlot);

    TwipRect row = ModelRowRect(W, H, WordLength, TileSize);
    Label1->SetWidth(row.width);
    Label1->SetHeight(row.height);
    Label1->SetTop(row.top);
    Label1->SetLeft(row.left);
    Label1->SetFontSize(TileFontSize(TileSize));
    Label1->SetCaption(AnswerWord);
    Label1->SetColours(QColor(255, 255, 255),
                       GameSettings.ShowModel ? QColor(128, 128, 255) : QColor(255, 255, 255));

    for (int i = 0; i < TileCount; ++i) {
        TileLetters[i] = TileString.mid(i, 1);
        TileLabel* t = Label2[size_t(i)];
        t->SetWidth(TileSize);
        t->SetTop(TileTop(H, Label1->Top()));
        t->SetLeft(TileLeft(TileSlots[i], TileSize, LastSlot));
        t->SetHeight(TileSize);
        t->SetFontSize(TileFontSize(TileSize));
        t->SetCaption(TileLetters[i]);
    }

    SpeechText = GameSettings.ArrangeMode ? NameWithoutExtension(picture) + QStringLiteral("、と、並べましょう")
                                          : QStringLiteral("この名前を並べましょう");
    NextLetterPos = 0;

    if (TraceEnabled()) {
        QStringList slotList;
        for (int i = 0; i <= LastSlot; ++i) slotList << QString::number(TileSlots[i]);
        TraceEvent("question", {QStringLiteral("index=%1").arg(TaskIndex), QStringLiteral("word=") + AnswerWord,
                                QStringLiteral("tiles=") + TileString, QStringLiteral("slots=") + slotList.join(u','),
                                QStringLiteral("picture=") + picture});
    }

    SpeakSpeechText();
    ApplyPointer();
    ShowQuestion();
    Speaking = VbTrue;
    TouchBusy = VbFalse;
    PrefetchTaskPicture(TaskIndex + 1);
}

void Form1::PrefetchTaskPicture(int index)
{
    if (index < 0 || index >= TaskPictureCount) return;
    const TwipRect r = ImageRect(FormWidth(), FormHeight());
    Pictures.Prefetch(DataFolder + TaskPictures[index], QSize(std::max(1, ToPixels(r.width)), std::max(1, ToPixels(r.height))));
}

} // namespace mokuri
