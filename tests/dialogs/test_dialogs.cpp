// The settings and picture selection dialogs driven through their real windows, and the
// adult's keys on the main screen.
#include "app/Fonts.h"
#include "app/Trace.h"
#include "content/Globals.h"
#include "dialogs/Form2.h"
#include "dialogs/Form3.h"
#include "fakes/TestFolder.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace mokuri;
using namespace mokuri::test;

namespace {

const QStringList kPictures = {"いぬ.jpg", "ねこ.jpg", "りんご.bmp", "さかな.jpg", "うし.jpg", "かめ.jpg"};
// The offscreen platform cannot raise windows and says so at every return to the main screen.
QtMessageHandler g_previousHandler = nullptr;
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.contains("does not support raise()") || text.contains("does not support propagateSizeHints()")) return;
    g_previousHandler(type, context, text);
}

const QDateTime kOldTime = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);

// A game on the main screen, started on a folder of pictures and waiting for a touch.
struct Session {
    TestFolder folder;
    Game game;
    Form1* form() const { return game.form.get(); }
    QString word() const { return folder.Data() + "/Word.txt"; }
    QString fname() const { return folder.Data() + "/Fname.txt"; }
};

// Writes the given files into the data folder, starts the game and lets its first
// instruction end. Check QTest::currentTestFailed() afterwards.
void Start(std::unique_ptr<Session>& s, const QByteArray& word = {}, const QByteArray& fname = {})
{
    s = std::make_unique<Session>();
    s->folder.AddPictures(kPictures);
    if (!word.isEmpty()) WriteBytes(s->word(), word);
    if (!fname.isEmpty()) WriteBytes(s->fname(), fname);
    bool loaded = false;
    s->game = StartGame(s->folder.Data(), &loaded);
    QVERIFY(loaded);
    s->form()->ShowFullScreen();
    QTRY_COMPARE(s->form()->ActivationCount(), 1);
    QCOMPARE(s->game.speech->spoken.size(), 1);
    s->game.speech->FinishSpeaking();
    QCOMPARE(s->form()->Speaking, VbFalse);
}

// Gives a file a time stamp in the past so that any rewrite shows.
void AgeFile(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(kOldTime, QFileDevice::FileModificationTime));
}

QDateTime Modified(const QString& path) { return QFileInfo(path).lastModified().toUTC(); }

Form2* OpenSettings(Session& s)
{
    QTest::keyClick(s.form(), Qt::Key_H);
    Form2* d = s.form()->SettingsDialog;
    // A dialog that never becomes active counts as not opened.
    return d && QTest::qWaitFor([d] { return d->isActiveWindow(); }, 2000) ? d : nullptr;
}

Form3* OpenTasks(Session& s)
{
    QTest::keyClick(s.form(), Qt::Key_N);
    Form3* d = s.form()->TaskDialog;
    return d && QTest::qWaitFor([d] { return d->isActiveWindow(); }, 2000) ? d : nullptr;
}

void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

void ClickEntry(PictureList* list, int row)
{
    QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

QList<QRadioButton*> OnButtons(Form2* d)
{
    QList<QRadioButton*> on;
    for (QRadioButton* b : d->findChildren<QRadioButton*>())
        if (b->isChecked()) on << b;
    std::sort(on.begin(), on.end(), [](auto* a, auto* b) {
        return a->objectName().mid(6).toInt() < b->objectName().mid(6).toInt();
    });
    return on;
}

QStringList Names(const QList<QRadioButton*>& buttons)
{
    QStringList n;
    for (auto* b : buttons) n << b->objectName();
    return n;
}

QStringList Tasks()
{
    QStringList t;
    for (int i = 0; i < TaskPictureCount; ++i) t << TaskPictures[i];
    return t;
}

QStringList SelectedEntries(PictureList* list)
{
    QStringList s;
    for (int i = 0; i < list->count(); ++i)
        if (list->Selected(i)) s << list->EntryText(i);
    return s;
}

// Watches for message boxes and keeps their texts.
struct MessageWatch {
    QStringList texts;
    QTimer timer;
    MessageWatch()
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && !texts.contains(box->text()))
                    texts << box->text();
        });
        timer.start();
    }
};

// Puts a folder where the file should be, so that saving it fails.
void BlockFile(const QString& path)
{
    QFile::remove(path);
    QVERIFY(QDir().mkdir(path));
}

} // namespace

class Dialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("MOKURI_MESSAGE_TIMEOUT_MS", "100");
        InstallFontSubstitutes();  // as the program does at start
        g_previousHandler = qInstallMessageHandler(QuietHandler);
    }

    // ---- the windows themselves ----

    void dialogsAreOwnerlessFramelessCentredAndLaidOutInside()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        Form2* settings = OpenSettings(*s);
        QVERIFY(settings);
        s->form()->ReturnFromDialog();
        Form3* tasks = OpenTasks(*s);
        QVERIFY(tasks);

        for (DialogWindow* d : {static_cast<DialogWindow*>(settings), static_cast<DialogWindow*>(tasks)}) {
            QVERIFY(d->windowFlags() & Qt::FramelessWindowHint);
            QVERIFY(d->isWindow());
            QVERIFY(!d->parentWidget());
            QVERIFY(!d->windowHandle()->transientParent());
            QCOMPARE(d->geometry().center(), QRect(QPoint(0, 0), QSize(1024, 768)).center());
            for (QWidget* c : d->findChildren<QWidget*>()) {
                QVERIFY2(d->ShapeRect().contains(c->mapTo(d, c->rect().topLeft())) &&
                             d->ShapeRect().contains(c->mapTo(d, c->rect().bottomRight())),
                         qPrintable(c->objectName() + " lies outside the drawn frame"));
            }
            // Controls of one container never overlap.
            QList<QWidget*> all = d->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
            for (QGroupBox* f : d->findChildren<QGroupBox*>()) all << f->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
            for (QWidget* a : all)
                for (QWidget* b : all)
                    if (a != b && a->parentWidget() == b->parentWidget() && a->isVisibleTo(d) && b->isVisibleTo(d))
                        QVERIFY2(!a->geometry().intersects(b->geometry()),
                                 qPrintable(a->objectName() + " overlaps " + b->objectName()));
        }
        QCOMPARE(settings->size(), QSize(361, 353));
        QCOMPARE(tasks->size(), QSize(399, 394));
    }

    void captionsFitTheirControls()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        Form2* settings = OpenSettings(*s);
        QVERIFY(settings);
        s->form()->ReturnFromDialog();
        Form3* tasks = OpenTasks(*s);
        QVERIFY(tasks);
        for (QWidget* d : {static_cast<QWidget*>(settings), static_cast<QWidget*>(tasks)}) {
            for (QRadioButton* b : d->findChildren<QRadioButton*>())
                QVERIFY2(b->sizeHint().width() <= b->width(),
                         qPrintable(QString("%1 \"%2\" needs %3 px, has %4").arg(b->objectName(), b->text())
                                        .arg(b->sizeHint().width()).arg(b->width())));
            // A push button's hint has a minimum width of its own; the caption and a small
            // margin on each side are what must fit.
            for (QPushButton* b : d->findChildren<QPushButton*>())
                QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + 8 <= b->width(),
                         qPrintable(b->objectName() + " in " + QFontInfo(b->font()).family()));
            for (QLabel* l : d->findChildren<QLabel*>())
                QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), qPrintable(l->objectName()));
            for (QGroupBox* f : d->findChildren<QGroupBox*>())
                QVERIFY2(f->fontMetrics().horizontalAdvance(f->title()) + 16 <= f->width(), qPrintable(f->objectName()));
        }
        QVERIFY(settings->Label2->font().bold());
        QCOMPARE(settings->Label2->font().pointSizeF(), 14.25);
        QCOMPARE(tasks->Label1->font().pointSizeF(), 14.25);
        // Every control but the titles shows the dialogs' own font, frames and their buttons too.
        for (QWidget* c : {static_cast<QWidget*>(settings->Option2), static_cast<QWidget*>(settings->Frame4),
                           static_cast<QWidget*>(settings->Command1), static_cast<QWidget*>(tasks->List1)})
            QCOMPARE(QFontInfo(c->font()).family(), QFontInfo(DialogFont()).family());
        QCOMPARE(settings->Option1->font().pointSizeF(), 9.0);
        QVERIFY(!settings->Option1->font().bold());
    }

    void framesAreIndependentAndTabFollowsTheDesign()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        Form2* d = OpenSettings(*s);
        QVERIFY(d);
        Click(d->Option2);
        Click(d->Option7);
        Click(d->Option10);
        Click(d->Option14);
        QCOMPARE(Names(OnButtons(d)), QStringList({"Option2", "Option3", "Option7", "Option10", "Option11", "Option14"}));

        // Tab walks the controls in design order, stopping once per frame (at its button
        // that is on, or the one that has the focus), and comes round again.
        d->Option1->setFocus();
        QStringList walked;
        for (int i = 0; i < 9; ++i) {
            walked << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(walked, QStringList({"Option1", "Option3", "Command1", "Command2", "Option7", "Option10", "Option11",
                                      "Option14", "Option1"}));

        // Enter on a focused button presses nothing.
        d->Command1->setFocus();
        const int before = s->form()->ActivationCount();
        QTest::keyClick(d->Command1, Qt::Key_Return);
        QTest::keyClick(d->Command1, Qt::Key_Escape);
        QTest::qWait(50);
        QCOMPARE(s->form()->ActivationCount(), before);
        QVERIFY(d->isActiveWindow());
    }

    // ---- the settings dialog ----

    void activationShowsTheStoredSettings()
    {
        std::unique_ptr<Session> s;
        Start(s, "#FALSE#,#FALSE#,1,2,#FALSE#,#TRUE#\r\n");
        if (QTest::currentTestFailed()) return;
        Form2* d = OpenSettings(*s);
        QVERIFY(d);
        QCOMPARE(Names(OnButtons(d)), QStringList({"Option2", "Option4", "Option6", "Option10", "Option12", "Option13"}));
        QCOMPARE(d->ShownDecoyCount, int16_t(1));
        QCOMPARE(d->ShownDecoyKind, int16_t(2));
    }

    void executeWithoutChangeWritesNothingButStartsANewQuestion()
    {
        std::unique_ptr<Session> s;
        const QByteArray stored = "#FALSE#,#TRUE#,1,1,#TRUE#,#TRUE#\r\n";
        Start(s, stored);
        if (QTest::currentTestFailed()) return;
        AgeFile(s->word());
        Form2* d = OpenSettings(*s);
        QVERIFY(d);
        const int spoken = s->game.speech->spoken.size();
        Click(d->Command1);
        QTRY_VERIFY(s->form()->isActiveWindow());
        QCOMPARE(s->form()->ActivationCount(), 2);
        QCOMPARE(s->game.speech->spoken.size(), spoken + 1);  // the new question's instruction
        QCOMPARE(ReadBytes(s->word()), stored);
        QCOMPARE(Modified(s->word()), kOldTime);
        QVERIFY(d->isVisible());  // never closed, only covered
    }

    void eachButtonIsTakenOverAndAllSixAreSaved()
    {
        std::unique_ptr<Session> s;
        Start(s, "#FALSE#,#FALSE#,0,1,#FALSE#,#TRUE#\r\n");
        if (QTest::currentTestFailed()) return;
        Form2* d = OpenSettings(*s);
        QVERIFY(d);
        for (QRadioButton* b : {d->Option1, d->Option3, d->Option6, d->Option10, d->Option11, d->Option14}) Click(b);
        Click(d->Command1);
        QCOMPARE(ReadBytes(s->word()), QByteArray("#TRUE#,#TRUE#,1,2,#TRUE#,#FALSE#\r\n"));
        QCOMPARE(GameSettings.TouchOnly, VbFalse);
        QTRY_VERIFY(s->form()->isActiveWindow());
    }

    void onlyTheDecoyCountChangedSavesAllSix()
    {
        std::unique_ptr<Session> s;
        Start(s, "#FALSE#,#FALSE#,0,1,#FALSE#,#TRUE#\r\n");
        if (QTest::currentTestFailed()) return;
        Form2* d = OpenSettings(*s);
        QVERIFY(d);
        Click(d->Option7);  // 無し -> ２字有り
        Click(d->Command1);
        QCOMPARE(ReadBytes(s->word()), QByteArray("#FALSE#,#FALSE#,2,1,#FALSE#,#TRUE#\r\n"));
        QCOMPARE(GameSettings.DecoyCount, int16_t(2));
    }

    void onlyTheDecoyKindChangedIsSeenToo()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        Form2* d = OpenSettings(*s);
        QVERIFY(d);
        Click(d->Option9);
        Click(d->Command1);
        QCOMPARE(ReadBytes(s->word()), QByteArray("#TRUE#,#TRUE#,0,1,#TRUE#,#FALSE#\r\n"));
    }

    void changeAndChangeBackSavesNothing()
    {
        std::unique_ptr<Session> s;
        const QByteArray stored = "#TRUE#,#FALSE#,2,0,#TRUE#,#FALSE#\r\n";
        Start(s, stored);
        if (QTest::currentTestFailed()) return;
        AgeFile(s->word());
        Form2* d = OpenSettings(*s);
        QVERIFY(d);
        Click(d->Option2);
        Click(d->Option1);
        Click(d->Option5);
        Click(d->Option7);
        Click(d->Option12);
        Click(d->Option11);
        Click(d->Command1);
        QCOMPARE(Modified(s->word()), kOldTime);
        QCOMPARE(ReadBytes(s->word()), stored);
        QTRY_VERIFY(s->form()->isActiveWindow());
    }

    void cancelStoresNothingAndTheNextOpeningShowsTheStoredValues()
    {
        std::unique_ptr<Session> s;
        const QByteArray stored = "#TRUE#,#TRUE#,0,0,#TRUE#,#FALSE#\r\n";
        Start(s, stored);
        if (QTest::currentTestFailed()) return;
        AgeFile(s->word());
        const GameSettingsT before = GameSettings;
        Form2* d = OpenSettings(*s);
        QVERIFY(d);
        for (QRadioButton* b : {d->Option2, d->Option4, d->Option7, d->Option10, d->Option12, d->Option13}) Click(b);
        const int spoken = s->game.speech->spoken.size();
        Click(d->Command2);
        QTRY_VERIFY(s->form()->isActiveWindow());
        QCOMPARE(s->game.speech->spoken.size(), spoken + 1);
        QVERIFY(GameSettings == before);
        QCOMPARE(Modified(s->word()), kOldTime);

        QCOMPARE(OpenSettings(*s), d);
        QCOMPARE(Names(OnButtons(d)), QStringList({"Option1", "Option3", "Option5", "Option8", "Option11", "Option14"}));
    }

    void handEditedDecoyCountShowsNoButtonAndSurvivesExecute()
    {
        std::unique_ptr<Session> s;
        const QByteArray stored = "#TRUE#,#TRUE#,3,0,#TRUE#,#FALSE#\r\n";
        Start(s, stored);
        if (QTest::currentTestFailed()) return;
        AgeFile(s->word());
        Form2* d = OpenSettings(*s);
        QVERIFY(d);
        QVERIFY(!d->Option5->isChecked() && !d->Option6->isChecked() && !d->Option7->isChecked());
        QVERIFY(d->Option8->isChecked());
        Click(d->Command1);
        QCOMPARE(GameSettings.DecoyCount, int16_t(3));
        QCOMPARE(Modified(s->word()), kOldTime);
        QCOMPARE(ReadBytes(s->word()), stored);
    }

    void mainScreenClickedAroundTheDialogDiscardsUntakenChoices()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        Form2* d = OpenSettings(*s);
        QVERIFY(d);
        Click(d->Option2);
        const int spoken = s->game.speech->spoken.size();
        // What the window system does for a click on the main screen.
        s->form()->activateWindow();
        QTRY_VERIFY(s->form()->isActiveWindow());
        QCOMPARE(s->form()->ActivationCount(), 2);
        QCOMPARE(s->game.speech->spoken.size(), spoken + 1);

        QCOMPARE(OpenSettings(*s), d);
        QVERIFY(d->Option1->isChecked());
        const auto tops = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(tops.begin(), tops.end(), [](QWidget* w) { return qobject_cast<Form2*>(w) != nullptr; }), 1);
    }

    void failedSettingsSaveIsReportedAndTheValuesHold()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        BlockFile(s->word());
        Form2* d = OpenSettings(*s);
        QVERIFY(d);
        MessageWatch watch;
        Click(d->Option7);
        Click(d->Command1);
        QCOMPARE(watch.texts.size(), 1);
        QVERIFY2(watch.texts[0].contains("Word.txt"), qPrintable(watch.texts[0]));
        QVERIFY(watch.texts[0].contains("終了するまで"));
        QCOMPARE(GameSettings.DecoyCount, int16_t(2));
        QTRY_VERIFY(s->form()->isActiveWindow());
        QCOMPARE(s->form()->ActivationCount(), 2);
    }

    // ---- the picture selection dialog ----

    void listShowsTheCatalogueWithTheTasksSelected()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        // A name that differs only in case, and one that is no picture, select nothing.
        TaskPictures[0] = "ねこ.jpg";
        TaskPictures[1] = "うし.JPG";
        TaskPictures[2] = "とら.jpg";
        TaskPictures[3] = "かめ.jpg";
        TaskPictures[4] = "ねこ.jpg";
        TaskPictureCount = 5;
        Form3* d = OpenTasks(*s);
        QVERIFY(d);
        QCOMPARE(d->List1->count(), kPictures.size());
        for (int i = 0; i < AllPictureCount; ++i) QCOMPARE(d->List1->item(i)->text(), AllPictures[i]);
        QStringList expected;
        for (int i = 0; i < AllPictureCount; ++i)
            if (AllPictures[i] == "ねこ.jpg" || AllPictures[i] == "かめ.jpg") expected << AllPictures[i];
        QCOMPARE(SelectedEntries(d->List1), expected);
    }

    void threeSelectedDoNothingFourAreSavedInCatalogueOrder()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        AgeFile(s->fname());
        const QByteArray stored = ReadBytes(s->fname());
        const QStringList before = Tasks();
        Form3* d = OpenTasks(*s);
        QVERIFY(d);
        Click(d->Command4);
        QVERIFY(SelectedEntries(d->List1).isEmpty());
        Click(d->Command1);  // none selected
        QCOMPARE(s->form()->ActivationCount(), 1);
        ClickEntry(d->List1, 4);
        ClickEntry(d->List1, 1);
        ClickEntry(d->List1, 3);
        Click(d->Command1);
        QTest::qWait(50);
        QCOMPARE(Tasks(), before);
        QCOMPARE(Modified(s->fname()), kOldTime);
        QVERIFY(d->isActiveWindow());
        QCOMPARE(s->form()->ActivationCount(), 1);

        ClickEntry(d->List1, 0);
        ClickEntry(d->List1, 2);
        ClickEntry(d->List1, 2);  // a second click takes it back
        QCOMPARE(SelectedEntries(d->List1).size(), 4);
        Click(d->Command1);
        const QStringList chosen = {AllPictures[0], AllPictures[1], AllPictures[3], AllPictures[4]};
        QCOMPARE(TaskPictureCount, int16_t(4));
        QTRY_VERIFY(s->form()->isActiveWindow());
        QCOMPARE(s->form()->ActivationCount(), 2);
        // The new question is one of the chosen pictures.
        QVERIFY(chosen.contains(TaskPictures[s->form()->TaskIndex]));
        QStringList sorted = Tasks();
        std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
            return std::find(AllPictures, AllPictures + AllPictureCount, a) <
                   std::find(AllPictures, AllPictures + AllPictureCount, b);
        });
        QCOMPARE(sorted, chosen);
        const QByteArray written = ReadBytes(s->fname());
        QVERIFY(written != stored);
        QCOMPARE(written.count("#TRUE#"), 4);
        QCOMPARE(written.count("#FALSE#"), 2);
    }

    void anEntryTogglesByClickAnywhereOnItAndBySpace()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        Form3* d = OpenTasks(*s);
        QVERIFY(d);
        PictureList* list = d->List1;
        Click(d->Command4);
        const QRect r = list->visualItemRect(list->item(2));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 8, r.center().y()));  // its box
        QCOMPARE(SelectedEntries(list), QStringList({AllPictures[2]}));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.right() - 4, r.center().y()));  // beyond the text
        QVERIFY(SelectedEntries(list).isEmpty());
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(SelectedEntries(list), QStringList({AllPictures[3]}));
        // A press that starts on one entry and moves over others changes only the first.
        const QRect r5 = list->visualItemRect(list->item(5));
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, r5.center());
        QMouseEvent move(QEvent::MouseMove, QPointF(list->visualItemRect(list->item(1)).center()),
                         list->viewport()->mapToGlobal(QPointF(list->visualItemRect(list->item(1)).center())),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &move);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QCOMPARE(SelectedEntries(list), QStringList({AllPictures[3], AllPictures[5]}));
    }

    void selectAllMakesEveryPictureATask()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        Form3* d = OpenTasks(*s);
        QVERIFY(d);
        Click(d->Command4);
        Click(d->Command3);
        QCOMPARE(SelectedEntries(d->List1).size(), kPictures.size());
        Click(d->Command1);
        QCOMPARE(TaskPictureCount, AllPictureCount);
        for (int i = 0; i < AllPictureCount; ++i) QCOMPARE(TaskPictures[i], AllPictures[i]);
    }

    void listNeverShowsAPictureTwiceAndKeepsTheAdultsSelection()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        TaskPictureCount = 4;
        for (int i = 0; i < 4; ++i) TaskPictures[i] = AllPictures[i];
        Form3* d = OpenTasks(*s);
        QVERIFY(d);
        ClickEntry(d->List1, 5);  // chosen on screen, then キャンセル
        Click(d->Command2);
        QTRY_VERIFY(s->form()->isActiveWindow());
        for (int round = 0; round < 3; ++round) {
            QCOMPARE(OpenTasks(*s), d);
            QCOMPARE(d->List1->count(), kPictures.size());
            for (int i = 0; i < AllPictureCount; ++i) QCOMPARE(d->List1->item(i)->text(), AllPictures[i]);
            QVERIFY(d->List1->Selected(5));
            QVERIFY(!d->List1->Selected(4));
            s->form()->ReturnFromDialog();
            QTRY_VERIFY(s->form()->isActiveWindow());
        }
    }

    void cancelLeavesTheTasksAndStartsANewQuestion()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        AgeFile(s->fname());
        Form3* d = OpenTasks(*s);
        QVERIFY(d);
        QStringList before = Tasks();
        Click(d->Command4);
        for (int i : {0, 1, 2, 3}) ClickEntry(d->List1, i);
        const int spoken = s->game.speech->spoken.size();
        Click(d->Command2);
        QTRY_VERIFY(s->form()->isActiveWindow());
        QCOMPARE(s->game.speech->spoken.size(), spoken + 1);
        std::sort(before.begin(), before.end());
        QStringList after = Tasks();
        std::sort(after.begin(), after.end());
        QCOMPARE(after, before);
        QCOMPARE(Modified(s->fname()), kOldTime);
    }

    void failedTaskListSaveIsReportedAndTheChoiceHolds()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        BlockFile(s->fname());
        Form3* d = OpenTasks(*s);
        QVERIFY(d);
        MessageWatch watch;
        Click(d->Command4);
        for (int i : {1, 2, 3, 4}) ClickEntry(d->List1, i);
        Click(d->Command1);
        QCOMPARE(watch.texts.size(), 1);
        QVERIFY2(watch.texts[0].contains("Fname.txt"), qPrintable(watch.texts[0]));
        QCOMPARE(TaskPictureCount, int16_t(4));
        QTRY_VERIFY(s->form()->isActiveWindow());
        QCOMPARE(s->form()->ActivationCount(), 2);
    }

    // ---- the adult's keys ----

    void hDuringThePraiseStopsTimer2AndKeepsTheMark()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        Form1* f = s->form();
        for (int i = 0; i < f->WordLength; ++i) Click(f->Label2[size_t(i)]);
        QVERIFY(f->Label4->isVisible());
        QVERIFY(f->Timer2->isActive());
        const int spoken = s->game.speech->spoken.size();
        const int stops = s->game.speech->stops;
        QTest::keyClick(f, Qt::Key_H);
        QVERIFY(!f->Timer2->isActive());
        QCOMPARE(s->game.speech->stops, stops + 1);
        QVERIFY(s->game.sound->calls.mid(s->game.sound->calls.size() - 2) == QStringList({"Stop", "Close"}));
        QVERIFY(f->SettingsDialog);
        QTRY_VERIFY(f->SettingsDialog->isActiveWindow());
        QTest::qWait(1300);  // longer than Timer2's pause
        QVERIFY(f->Label4->isVisible());
        QCOMPARE(s->game.speech->spoken.size(), spoken);
    }

    void lettersActInEitherCaseWithModifiersOtherKeysDoNothing()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        Form1* f = s->form();
        const QString trace = s->folder.Path() + "/trace.txt";
        qputenv("MOKURI_TRACE", trace.toUtf8());
        ReopenTrace();
        for (Qt::Key k : {Qt::Key_Return, Qt::Key_Left, Qt::Key_Space, Qt::Key_A, Qt::Key_F1}) QTest::keyClick(f, k);
        QVERIFY(!f->SettingsDialog && !f->TaskDialog);
        QCOMPARE(s->game.speech->stops, 0);

        QTest::keyClick(f, Qt::Key_N, Qt::ShiftModifier | Qt::ControlModifier);
        QVERIFY(f->TaskDialog);
        f->ReturnFromDialog();
        QTRY_VERIFY(f->isActiveWindow());
        QTest::keyClick(f, 'h');
        QVERIFY(f->SettingsDialog);
        qunsetenv("MOKURI_TRACE");
        ReopenTrace();
        const QList<QByteArray> lines = ReadBytes(trace).split('\n');
        QStringList keys;
        for (const QByteArray& l : lines)
            if (l.split('\t').value(1) == "key") keys << QString::fromUtf8(l.split('\t').value(2));
        QCOMPARE(keys, QStringList({"78", "72"}));
    }

    void escapeSilencesAndEndsTheEventLoopWithZero()
    {
        std::unique_ptr<Session> s;
        Start(s);
        if (QTest::currentTestFailed()) return;
        Form1* f = s->form();
        QTest::keyClick(f, Qt::Key_H);  // an open dialog does not keep the program alive
        QTimer::singleShot(0, f, [f] { QTest::keyClick(f, Qt::Key_Escape); });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(99); });
        guard.start(5000);
        const int rc = QApplication::exec();
        QCOMPARE(rc, 0);
        QCOMPARE(s->game.speech->stops, 2);
        QVERIFY(s->game.sound->calls.endsWith("Close"));
    }
};

QTEST_MAIN(Dialogs)
#include "test_dialogs.moc"
