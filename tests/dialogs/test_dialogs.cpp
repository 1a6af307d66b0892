// The settings and picture selection dialogs driven through their real windows, and the
// adult's keys on the main screen.
#include "app/Fonts.h"
#include "app/Trace.h"
#include "content/Globals.h"
#include "content/SettingsFile.h"
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
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace mokuri;
using namespace mokuri::test;

namespace {

const QStringList kPictures = {"いぬ.jpg", "ねこ.jpg", "りんご.bmp", "さかな.jpg", "うし.jpg", "かめ.jpg"};
const QDateTime kOldTime = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
// The numbers of the option buttons that show the default settings.
const QString kDefaultButtons = "1 3 5 8 11 14";

// The offscreen platform cannot raise windows and says so at every return to the main screen.
QtMessageHandler g_previousHandler = nullptr;
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.contains("does not support raise()") || text.contains("does not support propagateSizeHints()")) return;
    g_previousHandler(type, context, text);
}

// A game on the main screen, started on a folder of pictures and waiting for a touch.
struct Session {
    TestFolder folder;
    Game game;
    Form1* form() const { return game.form.get(); }
    QString word() const { return folder.Data() + "/Word.txt"; }
    QString fname() const { return folder.Data() + "/Fname.txt"; }
};

// Gives a file a time stamp in the past so that any rewrite shows.
void AgeFile(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(kOldTime, QFileDevice::FileModificationTime));
}

QDateTime Modified(const QString& path) { return QFileInfo(path).lastModified().toUTC(); }

void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

// Option buttons go by their numbers ("2 7 10"), so that a row of a table can hold them.
void ClickOptions(Form2* d, const QString& numbers)
{
    for (const QString& n : numbers.split(' ', Qt::SkipEmptyParts)) {
        auto* b = d->findChild<QRadioButton*>("Option" + n);
        QVERIFY2(b, qPrintable(n));
        Click(b);
    }
}

void ClickEntries(PictureList* list, std::initializer_list<int> rows)
{
    for (int row : rows) QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

QString OnButtons(Form2* d)
{
    QList<int> on;
    for (QRadioButton* b : d->findChildren<QRadioButton*>())
        if (b->isChecked()) on << b->objectName().mid(6).toInt();
    std::sort(on.begin(), on.end());
    QStringList numbers;
    for (int n : on) numbers << QString::number(n);
    return numbers.join(' ');
}

QStringList Tasks() { return QStringList(TaskPictures, TaskPictures + TaskPictureCount); }
QStringList Catalogue() { return QStringList(AllPictures, AllPictures + AllPictureCount); }
QStringList Sorted(QStringList l)
{
    l.sort();
    return l;
}

void SetTasks(const QStringList& tasks)
{
    for (int i = 0; i < tasks.size(); ++i) TaskPictures[i] = tasks[i];
    TaskPictureCount = int16_t(tasks.size());
}

QStringList SelectedEntries(PictureList* list)
{
    QStringList s;
    for (int i = 0; i < list->count(); ++i)
        if (list->Selected(i)) s << list->EntryText(i);
    return s;
}

// Each picture of the folder once, in the catalogue's order.
void CheckShowsCatalogue(PictureList* list)
{
    QStringList shown;
    for (int i = 0; i < list->count(); ++i) shown << list->item(i)->text();
    QCOMPARE(shown, Catalogue());
    QCOMPARE(shown.size(), kPictures.size());
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
    // Exactly one message, naming the file that could not be saved and saying the choice
    // holds only for this run.
    void CheckOneFailure(const QString& file) const
    {
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts[0].contains(file), qPrintable(texts[0]));
        QVERIFY(texts[0].contains("終了するまで"));
    }
};

// Puts a folder where the file should be, so that saving it fails.
void BlockFile(const QString& path)
{
    QFile::remove(path);
    QVERIFY(QDir().mkdir(path));
}

template <class Dialog>
Dialog* WhenActive(Dialog* d)
{
    // A dialog that never becomes active counts as not opened.
    return d && QTest::qWaitFor([d] { return d->isActiveWindow(); }, 2000) ? d : nullptr;
}

} // namespace

class Dialogs : public QObject {
    Q_OBJECT

    std::unique_ptr<Session> s;

    // Writes the given files into the data folder, starts the game, lets its first
    // instruction end and ages both files the game keeps. False when any of it failed.
    bool Start(const QByteArray& word = {}, const QByteArray& fname = {})
    {
        Launch(word, fname);
        return !QTest::currentTestFailed();
    }
    void Launch(const QByteArray& word, const QByteArray& fname)
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
        AgeFile(s->word());
        AgeFile(s->fname());
    }
    Form2* OpenSettings()
    {
        QTest::keyClick(s->form(), Qt::Key_H);
        return WhenActive(s->form()->SettingsDialog.data());
    }
    Form3* OpenTasks()
    {
        QTest::keyClick(s->form(), Qt::Key_N);
        return WhenActive(s->form()->TaskDialog.data());
    }
    Form2* StartInSettings(const QByteArray& word = {}) { return Start(word) ? OpenSettings() : nullptr; }
    Form3* StartInTasks() { return Start() ? OpenTasks() : nullptr; }

    // Leaving a dialog shows the main screen again, which sets exactly one new question and
    // says its instruction.
    void CheckNewQuestion()
    {
        QTRY_VERIFY(s->form()->isActiveWindow());
        QCOMPARE(s->form()->ActivationCount(), 2);
        QCOMPARE(s->game.speech->spoken.size(), 2);
    }

private slots:
    void initTestCase()
    {
        qputenv("MOKURI_MESSAGE_TIMEOUT_MS", "100");
        InstallFontSubstitutes();  // as the program does at start
        g_previousHandler = qInstallMessageHandler(QuietHandler);
    }
    void cleanup() { s.reset(); }

    // ---- the windows themselves ----

    void dialogsAreOwnerlessFramelessCentredAndEverythingFitsInside()
    {
        QVERIFY(Start());
        Form2* settings = OpenSettings();
        s->form()->ReturnFromDialog();
        Form3* tasks = OpenTasks();
        QVERIFY(settings && tasks);

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

            // Captions fit. A push button's hint has a minimum width of its own; the caption
            // and a small margin on each side are what must fit.
            for (QRadioButton* b : d->findChildren<QRadioButton*>())
                QVERIFY2(b->sizeHint().width() <= b->width(),
                         qPrintable(QString("%1 \"%2\" needs %3 px, has %4").arg(b->objectName(), b->text())
                                        .arg(b->sizeHint().width()).arg(b->width())));
            for (QPushButton* b : d->findChildren<QPushButton*>())
                QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + 8 <= b->width(),
                         qPrintable(b->objectName() + " in " + QFontInfo(b->font()).family()));
            for (QLabel* l : d->findChildren<QLabel*>())
                QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), qPrintable(l->objectName()));
            for (QGroupBox* f : d->findChildren<QGroupBox*>())
                QVERIFY2(f->fontMetrics().horizontalAdvance(f->title()) + 16 <= f->width(), qPrintable(f->objectName()));
        }
        QCOMPARE(settings->size(), QSize(361, 353));
        QCOMPARE(tasks->size(), QSize(399, 394));

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
        Form2* d = StartInSettings();
        QVERIFY(d);
        ClickOptions(d, "2 7 10 14");
        QCOMPARE(OnButtons(d), QString("2 3 7 10 11 14"));

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
        QTest::keyClick(d->Command1, Qt::Key_Return);
        QTest::keyClick(d->Command1, Qt::Key_Escape);
        QTest::qWait(50);
        QCOMPARE(s->form()->ActivationCount(), 1);
        QVERIFY(d->isActiveWindow());
    }

    // ---- the settings dialog ----

    void executeTakesTheButtonsOverAndSavesOnlyAChange_data()
    {
        QTest::addColumn<QString>("stored");  // none: the game writes its defaults
        QTest::addColumn<QString>("shown");   // the buttons on at the opening
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QString>("saved");   // none: the file must stay as it was
        const char* mixed = "#FALSE#,#FALSE#,0,1,#FALSE#,#TRUE#";
        QTest::newRow("stored values shown") << "#FALSE#,#FALSE#,1,2,#FALSE#,#TRUE#" << "2 4 6 10 12 13" << "" << "";
        QTest::newRow("no change") << "#FALSE#,#TRUE#,1,1,#TRUE#,#TRUE#" << "2 3 6 9 11 13" << "" << "";
        QTest::newRow("every frame") << mixed << "2 4 5 9 12 13" << "1 3 6 10 11 14" << "#TRUE#,#TRUE#,1,2,#TRUE#,#FALSE#";
        QTest::newRow("only the decoy count") << mixed << "2 4 5 9 12 13" << "7" << "#FALSE#,#FALSE#,2,1,#FALSE#,#TRUE#";
        QTest::newRow("only the decoy kind") << "" << kDefaultButtons << "9" << "#TRUE#,#TRUE#,0,1,#TRUE#,#FALSE#";
        QTest::newRow("changed and changed back") << "#TRUE#,#FALSE#,2,0,#TRUE#,#FALSE#" << "1 4 7 8 11 14"
                                                  << "2 1 5 7 12 11" << "";
        // A count no button stands for: none on in its frame, and the count survives.
        QTest::newRow("hand-edited decoy count") << "#TRUE#,#TRUE#,3,0,#TRUE#,#FALSE#" << "1 3 8 11 14" << "" << "";
    }

    void executeTakesTheButtonsOverAndSavesOnlyAChange()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, clicks);
        QFETCH(QString, saved);
        Form2* d = StartInSettings(stored.isEmpty() ? QByteArray() : stored.toLatin1() + "\r\n");
        QVERIFY(d);
        const QByteArray before = ReadBytes(s->word());
        QCOMPARE(before, stored.isEmpty() ? FormatSettings({}) : stored.toLatin1() + "\r\n");
        QCOMPARE(FormatSettings(GameSettings), before);
        QCOMPARE(OnButtons(d), shown);
        QCOMPARE(d->ShownDecoyCount, GameSettings.DecoyCount);
        QCOMPARE(d->ShownDecoyKind, GameSettings.DecoyKind);
        ClickOptions(d, clicks);
        Click(d->Command1);
        CheckNewQuestion();
        QVERIFY(d->isVisible());  // never closed, only covered
        const QByteArray after = saved.isEmpty() ? before : saved.toLatin1() + "\r\n";
        QCOMPARE(FormatSettings(GameSettings), after);
        QCOMPARE(ReadBytes(s->word()), after);
        if (saved.isEmpty()) QCOMPARE(Modified(s->word()), kOldTime);
    }

    void untakenChoicesAreDiscarded_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("キャンセル") << true;
        QTest::newRow("main screen clicked around the dialog") << false;
    }

    void untakenChoicesAreDiscarded()
    {
        QFETCH(bool, cancel);
        QVERIFY(Start());
        const GameSettingsT before = GameSettings;
        Form2* d = OpenSettings();
        QVERIFY(d);
        ClickOptions(d, "2 4 7 10 12 13");
        if (cancel)
            Click(d->Command2);
        else
            s->form()->activateWindow();  // what the window system does for a click on the main screen
        CheckNewQuestion();
        QVERIFY(GameSettings == before);
        QCOMPARE(Modified(s->word()), kOldTime);

        QCOMPARE(OpenSettings(), d);
        QCOMPARE(OnButtons(d), kDefaultButtons);
        const auto tops = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(tops.begin(), tops.end(), [](QWidget* w) { return qobject_cast<Form2*>(w) != nullptr; }), 1);
    }

    void failedSettingsSaveIsReportedAndTheValuesHold()
    {
        QVERIFY(Start());
        BlockFile(s->word());
        Form2* d = OpenSettings();
        QVERIFY(d);
        MessageWatch watch;
        Click(d->Option7);
        Click(d->Command1);
        watch.CheckOneFailure("Word.txt");
        QCOMPARE(GameSettings.DecoyCount, int16_t(2));
        CheckNewQuestion();
    }

    // ---- the picture selection dialog ----

    void listShowsTheCatalogueWithTheTasksSelected()
    {
        QVERIFY(Start());
        // A name that differs only in case, and one that is no picture, select nothing.
        SetTasks({"ねこ.jpg", "うし.JPG", "とら.jpg", "かめ.jpg", "ねこ.jpg"});
        Form3* d = OpenTasks();
        QVERIFY(d);
        CheckShowsCatalogue(d->List1);
        QCOMPARE(SelectedEntries(d->List1), Catalogue().filter(QRegularExpression("^(ねこ|かめ)\\.jpg$")));
    }

    void threeSelectedDoNothingFourAreSavedInCatalogueOrder()
    {
        QVERIFY(Start());
        const QByteArray stored = ReadBytes(s->fname());
        const QStringList before = Tasks();
        Form3* d = OpenTasks();
        QVERIFY(d);
        Click(d->Command4);
        QVERIFY(SelectedEntries(d->List1).isEmpty());
        Click(d->Command1);  // none selected
        QCOMPARE(s->form()->ActivationCount(), 1);
        ClickEntries(d->List1, {4, 1, 3});
        Click(d->Command1);
        QTest::qWait(50);
        QCOMPARE(Tasks(), before);
        QCOMPARE(Modified(s->fname()), kOldTime);
        QVERIFY(d->isActiveWindow());
        QCOMPARE(s->form()->ActivationCount(), 1);

        ClickEntries(d->List1, {0, 2, 2});  // a second click takes it back
        QCOMPARE(SelectedEntries(d->List1).size(), 4);
        Click(d->Command1);
        const QStringList chosen = {AllPictures[0], AllPictures[1], AllPictures[3], AllPictures[4]};
        QCOMPARE(TaskPictureCount, int16_t(4));
        CheckNewQuestion();
        // The new question is one of the chosen pictures.
        QVERIFY(chosen.contains(TaskPictures[s->form()->TaskIndex]));
        QCOMPARE(Sorted(Tasks()), Sorted(chosen));
        const QByteArray written = ReadBytes(s->fname());
        QVERIFY(written != stored);
        QCOMPARE(written.count("#TRUE#"), 4);
        QCOMPARE(written.count("#FALSE#"), 2);
    }

    void anEntryTogglesByClickAnywhereOnItAndBySpace()
    {
        Form3* d = StartInTasks();
        QVERIFY(d);
        PictureList* list = d->List1;
        QWidget* port = list->viewport();
        auto at = [list](int row) { return list->visualItemRect(list->item(row)); };
        Click(d->Command4);
        QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(at(2).left() + 8, at(2).center().y()));  // its box
        QCOMPARE(SelectedEntries(list), QStringList({AllPictures[2]}));
        QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(at(2).right() - 4, at(2).center().y()));  // beyond the text
        QVERIFY(SelectedEntries(list).isEmpty());
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(SelectedEntries(list), QStringList({AllPictures[3]}));
        // A press that starts on one entry and moves over others changes only the first.
        QTest::mousePress(port, Qt::LeftButton, {}, at(5).center());
        QMouseEvent move(QEvent::MouseMove, QPointF(at(1).center()), port->mapToGlobal(QPointF(at(1).center())),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        QTest::mouseRelease(port, Qt::LeftButton, {}, at(1).center());
        QCOMPARE(SelectedEntries(list), QStringList({AllPictures[3], AllPictures[5]}));
    }

    void selectAllMakesEveryPictureATask()
    {
        Form3* d = StartInTasks();
        QVERIFY(d);
        Click(d->Command4);
        Click(d->Command3);
        QCOMPARE(SelectedEntries(d->List1).size(), kPictures.size());
        Click(d->Command1);
        QCOMPARE(Tasks(), Catalogue());
    }

    void cancelLeavesTheTasksAndTheListKeepsTheAdultsSelection()
    {
        QVERIFY(Start());
        SetTasks(Catalogue().mid(0, 4));
        Form3* d = OpenTasks();
        QVERIFY(d);
        Click(d->Command4);
        ClickEntries(d->List1, {0, 5, 1});
        Click(d->Command2);
        CheckNewQuestion();
        QCOMPARE(Sorted(Tasks()), Sorted(Catalogue().mid(0, 4)));
        QCOMPARE(Modified(s->fname()), kOldTime);
        // Each opening selects the tasks again but leaves the rest of the choice on screen,
        // and never adds the catalogue twice.
        QStringList shown = Catalogue();
        shown.removeAt(4);
        for (int round = 0; round < 3; ++round) {
            QCOMPARE(OpenTasks(), d);
            CheckShowsCatalogue(d->List1);
            QCOMPARE(SelectedEntries(d->List1), shown);
            s->form()->ReturnFromDialog();
            QTRY_VERIFY(s->form()->isActiveWindow());
        }
    }

    void failedTaskListSaveIsReportedAndTheChoiceHolds()
    {
        QVERIFY(Start());
        BlockFile(s->fname());
        Form3* d = OpenTasks();
        QVERIFY(d);
        MessageWatch watch;
        Click(d->Command4);
        ClickEntries(d->List1, {1, 2, 3, 4});
        Click(d->Command1);
        watch.CheckOneFailure("Fname.txt");
        QCOMPARE(TaskPictureCount, int16_t(4));
        CheckNewQuestion();
    }

    // ---- the adult's keys ----

    void hDuringThePraiseStopsTimer2AndKeepsTheMark()
    {
        QVERIFY(Start());
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
        QVERIFY(Start());
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
        QStringList keys;
        for (const QByteArray& l : ReadBytes(trace).split('\n'))
            if (l.split('\t').value(1) == "key") keys << QString::fromUtf8(l.split('\t').value(2));
        QCOMPARE(keys, QStringList({"78", "72"}));
    }

    void escapeSilencesAndEndsTheEventLoopWithZero()
    {
        QVERIFY(Start());
        Form1* f = s->form();
        QTest::keyClick(f, Qt::Key_H);  // an open dialog does not keep the program alive
        QTimer::singleShot(0, f, [f] { QTest::keyClick(f, Qt::Key_Escape); });
        QTimer::singleShot(5000, f, [] { QApplication::exit(99); });  // gone with the form
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(s->game.speech->stops, 2);
        QVERIFY(s->game.sound->calls.endsWith("Close"));
    }
};

QTEST_MAIN(Dialogs)
#include "test_dialogs.moc"
