// The real main screen on fake sound and speech: questions, tiles, verdicts and pauses.
#include "app/Trace.h"
#include "content/Globals.h"
#include "fakes/TestFolder.h"
#include "game/TileGeometry.h"

#include <QMouseEvent>
#include <QSet>
#include <QTest>
#include <cmath>

using namespace mokuri;
using namespace mokuri::test;

namespace {

// The index of a tile in the tile row that carries the letter.
int FreeTileWith(Form1& f, const QString& letter, int skip = 0)
{
    for (int i = 0; i < f.TileCount; ++i)
        if (f.TileLetters[i] == letter && f.Label2[size_t(i)]->Top() != f.Label1->Top() && skip-- == 0) return i;
    return -1;
}

void Hover(TileLabel* t)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), t->mapToGlobal(QPointF(5, 5)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(t, &move);
}

} // namespace

class GameFlow : public QObject {
    Q_OBJECT

    std::unique_ptr<TestFolder> folder;
    Game game;
    Form1& F() { return *game.form; }

    // Starts on the given pictures with the settings, and sets up the first question.
    void Start(const QStringList& pictures, GameSettingsT settings = {})
    {
        folder = std::make_unique<TestFolder>();
        folder->AddPictures(pictures);
        WriteBytes(folder->Data() + "/Word.txt", [&] {
            auto b = [](int16_t v) { return QByteArray(v ? "#TRUE#" : "#FALSE#"); };
            return b(settings.ArrangeMode) + "," + b(settings.ShowModel) + "," + QByteArray::number(settings.DecoyCount) +
                   "," + QByteArray::number(settings.DecoyKind) + "," + b(settings.ShowCursor) + "," +
                   b(settings.TouchOnly) + "\r\n";
        }());
        bool loaded = false;
        game = StartGame(folder->Data(), &loaded);
        QVERIFY(loaded);
        F().Form_Activate();
    }

    // Sets questions up along the task list until one fits.
    template <class Wanted>
    void AskUntil(Wanted wanted)
    {
        for (int tries = 0; !wanted(); ++tries) {
            QVERIFY(tries < 2 * MaxPictures);
            F().TaskIndex = int16_t((F().TaskIndex + 1) % TaskPictureCount);
            F().SetUpQuestion();
        }
    }
    void AskFor(const QString& word) { AskUntil([&] { return F().AnswerWord == word; }); }

    void FinishInstruction()
    {
        QVERIFY(F().Speaking);
        game.speech->FinishSpeaking();
        QCOMPARE(F().Speaking, VbFalse);
    }

private slots:
    void init() { qputenv("MOKURI_SEED", "2024"); }
    void cleanup()
    {
        game = {};
        folder.reset();
    }

    void wholeWordBuiltRight()
    {
        Start({"りんご.bmp", "いぬ.bmp", "ねこ.bmp", "とり.bmp"});
        QCOMPARE(F().TaskIndex, int16_t(0));
        const QString picture = TaskPictures[0];
        const QString word = NameWithoutExtension(picture);
        QCOMPARE(F().AnswerWord, word);
        QCOMPARE(F().TileString, word);
        QCOMPARE(game.speech->spoken.last(), word + QStringLiteral("、と、並べましょう"));
        QCOMPARE(F().LastSlot, int16_t(5));
        QCOMPARE(F().TileSize, int16_t(15360 / 7));
        QVERIFY(F().Label1->isVisible() || !F().isVisible());  // hidden window: only the flag counts
        QVERIFY(!F().Label2[size_t(F().TileCount)]->isVisibleTo(&F()));
        QVERIFY(F().Label2[0]->isVisibleTo(&F()));

        // While the instruction is spoken the tiles do nothing.
        QTest::mouseClick(F().Label2[0], Qt::LeftButton);
        QCOMPARE(F().NextLetterPos, int16_t(0));
        QVERIFY(game.sound->played.isEmpty());
        FinishInstruction();

        for (int k = 0; k < word.size(); ++k) {
            int i = FreeTileWith(F(), word.mid(k, 1));
            QVERIFY(i >= 0);
            QTest::mouseClick(F().Label2[size_t(i)], Qt::LeftButton);
            QCOMPARE(F().NextLetterPos, int16_t(k + 1));
            QCOMPARE(F().Label2[size_t(i)]->Top(), F().Label1->Top());
            QCOMPARE(F().Label2[size_t(i)]->Left(), k * F().Label2[size_t(i)]->Width() + F().Label1->Left());
        }
        QStringList expected;
        for (QChar c : word) expected << QString(c) + ".wav" << QStringLiteral("ガチャ.wav");
        expected << QStringLiteral("ピンポン.wav");
        QCOMPARE(game.sound->played, expected);
        QVERIFY(F().Label4->isVisibleTo(&F()));
        QCOMPARE(game.speech->spoken.last(), QStringLiteral("よくできました。これが、") + word + QStringLiteral("、だね。"));
        QCOMPARE(F().TaskIndex, int16_t(1));
        QVERIFY(F().Speaking);
        QVERIFY(F().Timer2->isActive());

        // The pause lasts while the praise is spoken.
        F().Timer2_Timer();
        QVERIFY(F().Label4->isVisibleTo(&F()));
        game.speech->FinishSpeaking();
        F().Timer2_Timer();
        QVERIFY(!F().Label4->isVisibleTo(&F()));
        QVERIFY(!F().Timer2->isActive());
        QCOMPARE(F().AnswerWord, NameWithoutExtension(TaskPictures[1]));
        QCOMPARE(F().NextLetterPos, int16_t(0));
    }

    void taskIndexWrapsWithANewOrder()
    {
        Start({"あ.bmp", "い.bmp", "う.bmp", "え.bmp"});
        QSet<QString> firstPass;
        QStringList order;
        for (int q = 0; q < 8; ++q) {
            FinishInstruction();
            order << F().AnswerWord;
            if (q < 4) firstPass << F().AnswerWord;
            int i = FreeTileWith(F(), F().AnswerWord);
            F().Label2_Click(i);
            QCOMPARE(F().TaskIndex, int16_t((q + 1) % 4));
            game.speech->FinishSpeaking();
            F().Timer2_Timer();
        }
        QCOMPARE(firstPass.size(), 4);  // every picture once per pass
        QCOMPARE(QSet<QString>(order.begin() + 4, order.end()).size(), 4);
    }

    void wrongTileRestartsTheSamePicture()
    {
        Start({"とけい.bmp", "いぬ.bmp", "ねこ.bmp", "とり.bmp"}, {VbTrue, VbTrue, 2, 0, VbTrue, VbFalse});
        // Find the question for とけい.
        AskFor(QStringLiteral("とけい"));
        const int16_t index = F().TaskIndex;
        QCOMPARE(F().TileCount, int16_t(5));
        FinishInstruction();
        F().Label2_Click(FreeTileWith(F(), "と"));
        game.sound->played.clear();
        const int decoy = 3;  // tiles after the word carry the decoys
        const QString decoyLetter = F().TileLetters[decoy];
        game.sound->playReads = 3;  // the buzzer plays for a while
        F().Label2_Click(decoy);
        QCOMPARE(game.sound->played.first(), decoyLetter + ".wav");
        QCOMPARE(game.sound->played.last(), QStringLiteral("ブー.wav"));
        QVERIFY(F().Label3->isVisibleTo(&F()));
        QCOMPARE(F().Label3->Left(), F().Label2[decoy]->Left());
        QCOMPARE(F().Label3->Top(), F().FormHeight() * 3 / 4 + F().Label1->Top());
        QCOMPARE(F().Label3->FontSize(), int(F().TileSize / 19));
        QVERIFY(F().TouchBusy);
        QVERIFY(F().Timer1->isActive());

        // Nothing reacts during the pause; the timer waits for the buzzer.
        F().Label2_Click(FreeTileWith(F(), "け"));
        QCOMPARE(F().NextLetterPos, int16_t(1));
        const int spokenBefore = game.speech->spoken.size();
        F().Timer1_Timer();
        QVERIFY(F().Timer1->isActive());
        game.sound->Finish();
        F().Timer1_Timer();
        QVERIFY(!F().Timer1->isActive());
        QVERIFY(!F().Label3->isVisibleTo(&F()));
        QCOMPARE(F().TaskIndex, index);
        QCOMPARE(F().AnswerWord, QStringLiteral("とけい"));
        QCOMPARE(F().NextLetterPos, int16_t(0));
        QCOMPARE(F().TouchBusy, VbFalse);
        QCOMPARE(game.speech->spoken.size(), spokenBefore + 1);
    }

    void repeatedLetterAcceptedAtEitherPosition()
    {
        Start({"とまと.bmp", "いぬ.bmp", "ねこ.bmp", "とり.bmp"});
        AskFor(QStringLiteral("とまと"));
        FinishInstruction();
        // The second と tile (index 2) is right at position 0.
        F().Label2_Click(2);
        QCOMPARE(F().NextLetterPos, int16_t(1));
        F().Label2_Click(1);
        F().Label2_Click(0);
        QCOMPARE(F().NextLetterPos, int16_t(3));
        QVERIFY(F().Label4->isVisibleTo(&F()));
    }

    void hoverVersusClick()
    {
        Start({"いぬ.bmp", "ねこ.bmp", "とり.bmp", "うし.bmp"});
        FinishInstruction();
        int i = FreeTileWith(F(), F().AnswerWord.left(1));
        Hover(F().Label2[size_t(i)]);
        QCOMPARE(F().NextLetterPos, int16_t(0));  // click mode: moving does nothing
        QTest::mouseClick(F().Label2[size_t(i)], Qt::LeftButton);
        QCOMPARE(F().NextLetterPos, int16_t(1));

        GameSettings.TouchOnly = VbTrue;
        F().SetUpQuestion();
        FinishInstruction();
        i = FreeTileWith(F(), F().AnswerWord.left(1));
        QTest::mouseClick(F().Label2[size_t(i)], Qt::LeftButton);
        QCOMPARE(F().NextLetterPos, int16_t(0));  // touch mode: a click does nothing
        Hover(F().Label2[size_t(i)]);
        QCOMPARE(F().NextLetterPos, int16_t(1));
        Hover(F().Label2[size_t(i)]);  // a placed tile ignores further touches
        QCOMPARE(F().NextLetterPos, int16_t(1));
    }

    void guardsOfJudging()
    {
        Start({"いぬ.bmp", "ねこ.bmp", "とり.bmp", "うし.bmp"}, {VbTrue, VbTrue, 1, 2, VbTrue, VbFalse});
        FinishInstruction();
        const QString first = F().AnswerWord.left(1);
        // A sound still playing drops the touch.
        game.sound->SetFileName("ガチャ.wav");
        game.sound->SetCommand("Open");
        game.sound->playReads = 1;
        game.sound->SetCommand("Play");
        game.sound->playReads = 0;
        F().Label2_Click(FreeTileWith(F(), first));
        QCOMPARE(F().NextLetterPos, int16_t(0));
        QCOMPARE(F().TouchBusy, VbFalse);
        // Busy drops it too.
        F().TouchBusy = VbTrue;
        F().Label2_Click(FreeTileWith(F(), first));
        QCOMPARE(F().NextLetterPos, int16_t(0));
        F().TouchBusy = VbFalse;
        // A hidden tile beyond this question cannot be judged.
        F().Label2_Click(9);
        QCOMPARE(F().TouchBusy, VbFalse);
        // Once the word is complete the decoy does nothing.
        F().Label2_Click(FreeTileWith(F(), first));
        F().Label2_Click(FreeTileWith(F(), F().AnswerWord.mid(1, 1)));
        QCOMPARE(F().NextLetterPos, F().WordLength);
        const int played = game.sound->played.size();
        F().Label2_Click(2);
        QCOMPARE(game.sound->played.size(), played);
        QVERIFY(!F().Label3->isVisibleTo(&F()));
    }

    void katakanaTilePlaysTheHiraganaFile()
    {
        Start({"ケーキ.bmp", "バナナ.bmp", "トマト.bmp", "パン.bmp"});
        AskFor(QStringLiteral("ケーキ"));
        FinishInstruction();
        F().Label2_Click(0);
        F().Label2_Click(1);
        QCOMPARE(game.sound->played.mid(0, 4),
                 QStringList({"け.wav", "ガチャ.wav", QString(QChar(0x309C)) + ".wav", "ガチャ.wav"}));
    }

    void layoutForEightAndTenSlots()
    {
        Start({"あいうえおかきく.bmp", "あいうえおかきくけこさし.bmp", "い.bmp", "う.bmp"});
        AskUntil([&] { return F().WordLength == 8; });
        QCOMPARE(F().TileSize, int16_t(1706));
        QCOMPARE(F().Label1->Top(), 587.f);
        QCOMPARE(F().Label2[0]->Top(), 9227.f);
        QCOMPARE(F().Label2[0]->FontSize(), 83);
        QSet<int16_t> slotsUsed;
        for (int i = 0; i < 8; ++i) {
            slotsUsed << F().TileSlots[i];
            QVERIFY(std::fabs(F().Label2[size_t(i)]->Left() - TileLeft(F().TileSlots[i], 1706, 7)) < 0.01f);
        }
        QCOMPARE(slotsUsed.size(), 8);

        // Twelve letters: the word and tiles keep ten, the instruction says all twelve,
        // and a wanted decoy does not survive the cut.
        GameSettings.DecoyCount = 2;
        AskUntil([&] { return F().WordLength == 10; });
        QCOMPARE(F().AnswerWord, QStringLiteral("あいうえおかきくけこ"));
        QCOMPARE(F().TileString, F().AnswerWord);
        QCOMPARE(F().TileSize, int16_t(1396));
        QCOMPARE(F().Label1->Top(), 742.f);
        QCOMPARE(game.speech->spoken.last(), QStringLiteral("あいうえおかきくけこさし、と、並べましょう"));
    }

    void settingsShapeTheQuestion()
    {
        Start({"いぬ.bmp", "ねこ.bmp", "とり.bmp", "うし.bmp"}, {VbFalse, VbFalse, 5, 0, VbFalse, VbFalse});
        QCOMPARE(game.speech->spoken.last(), QStringLiteral("この名前を並べましょう"));
        QCOMPARE(F().Label1->palette().color(QPalette::WindowText), QColor(255, 255, 255));
        QCOMPARE(F().TileCount, int16_t(3));  // a count above two adds one decoy
        QCOMPARE(F().cursor().shape(), Qt::BlankCursor);  // no Clear.ico here: hidden all the same
        GameSettings.DecoyKind = 7;
        F().SetUpQuestion();
        QCOMPARE(F().TileCount, int16_t(2));  // an unknown kind adds none
        GameSettings.ShowCursor = VbTrue;
        GameSettings.ShowModel = VbTrue;
        F().SetUpQuestion();
        QCOMPARE(F().cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(F().Label1->palette().color(QPalette::WindowText), QColor(128, 128, 255));
    }

    void missingPictureStillAsks()
    {
        Start({"いぬ.bmp", "ねこ.bmp", "とり.bmp", "うし.bmp"});
        QFile::remove(folder->Data() + "/" + TaskPictures[1]);
        QFile::remove(folder->Data() + "/" + TaskPictures[2]);
        WriteBytes(folder->Data() + "/" + TaskPictures[2], "not a picture");
        for (int k = 1; k <= 2; ++k) {
            F().TaskIndex = int16_t(k);
            F().SetUpQuestion();
            QCOMPARE(F().AnswerWord, NameWithoutExtension(TaskPictures[k]));
            QVERIFY(F().Speaking);
            QVERIFY(F().Label2[0]->isVisibleTo(&F()));
        }
    }

    void missingSoundsDoNotStopTheGame()
    {
        Start({"いぬ.bmp", "ねこ.bmp", "とり.bmp", "うし.bmp"});
        game.sound->missing = QStringList({"い.wav", "ぬ.wav", "ね.wav", "こ.wav", "と.wav", "り.wav", "う.wav",
                                           "し.wav", "ガチャ.wav", "ピンポン.wav", "ブー.wav"});
        FinishInstruction();
        for (QChar c : F().AnswerWord) F().Label2_Click(FreeTileWith(F(), QString(c)));
        QVERIFY(game.sound->played.isEmpty());
        QVERIFY(F().Timer2->isActive());
        QCOMPARE(F().TaskIndex, int16_t(1));
    }

    void noPraiseLinesStillPraise()
    {
        folder = std::make_unique<TestFolder>();
        WriteBytes("O.txt", "");
        folder->AddPictures({"いぬ.bmp", "ねこ.bmp", "とり.bmp", "うし.bmp"});
        game = StartGame(folder->Data());
        F().Form_Activate();
        FinishInstruction();
        for (QChar c : F().AnswerWord) F().Label2_Click(FreeTileWith(F(), QString(c)));
        QCOMPARE(game.speech->spoken.last(), QStringLiteral("。これが、") + F().AnswerWord + QStringLiteral("、だね。"));
    }
};

QTEST_MAIN(GameFlow)
#include "test_game_flow.moc"
