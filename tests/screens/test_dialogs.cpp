// SPDX-License-Identifier: GPL-3.0-or-later
// The settings and picture choice dialogs driven through their real windows from a game on
// fakes, and the adult's keys on the main screen while a word is praised.
#include "fakes/ScreenParts.h"
#include "content/SettingsFile.h"
#include "content/TaskListFile.h"
#include "fakes/MessageCloser.h"
#include "fakes/StartedGame.h"
#include "fakes/QuietPlatform.h"
#include "fakes/TestFolder.h"
#include "screens/DialogParts.h"
#include "screens/Fonts.h"
#include "screens/PictureChoiceDialog.h"
#include "screens/SettingsDialog.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <memory>

using namespace mokuri;
using namespace mokuri::test;

namespace {

// Only a limit for waiting on a window or an activation; nothing is timed.
constexpr int kWait = 60000;

const QStringList kPictures = {QStringLiteral("いぬ.jpg"), QStringLiteral("ねこ.jpg"), QStringLiteral("りんご.bmp"),
                               QStringLiteral("さかな.jpg"), QStringLiteral("うし.jpg"), QStringLiteral("かめ.jpg")};
const QDateTime kOldTime = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), QTimeZone::utc());
// The numbers of the option buttons that show the default settings.
const QString kDefaultButtons = QStringLiteral("1 3 5 8 11 14");

// The message boxes of a test, with the check of a failed save.
class MessageWatch : public MessageCloser {
public:
    // Exactly one message, naming the file that could not be saved and saying the choice
    // holds only for this run.
    void checkOneFailure(const QString& file) const
    {
        // The save's outcome comes from the executor, the message with it.
        QTRY_COMPARE_WITH_TIMEOUT(texts.size(), 1, kWait);
        QVERIFY2(texts[0].contains(file), qPrintable(texts[0]));
        QVERIFY(texts[0].contains(QStringLiteral("終了するまで")));
    }
};

// A game on the main screen, started on a folder of pictures and waiting for a touch.
struct Session {
    TestFolder folder;
    std::unique_ptr<StartedGame> game;
    int activationsAtStart = 0;
    MainScreen& screen() const { return *game->screen; }
    Round& round() const { return *game->round; }
    QString word() const { return folder.data() + QStringLiteral("/Word.txt"); }
    QString fname() const { return folder.data() + QStringLiteral("/Fname.txt"); }
    QString traceFile() const { return folder.path() + QStringLiteral("/trace.txt"); }
};

// Gives a file a time stamp in the past so that any rewrite shows.
void ageFile(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(kOldTime, QFileDevice::FileModificationTime));
}

QDateTime modified(const QString& path) { return QFileInfo(path).lastModified().toUTC(); }

void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

// Option buttons go by the numbers of their names ("2 7 10"), so that a table row can hold them.
void clickOptions(SettingsDialog* d, const QString& numbers)
{
    for (const QString& n : numbers.split(u' ', Qt::SkipEmptyParts)) {
        auto* b = d->findChild<QRadioButton*>(QStringLiteral("Option") + n);
        QVERIFY2(b, qPrintable(n));
        click(b);
    }
}

QString onButtons(SettingsDialog* d)
{
    QList<int> on;
    for (QRadioButton* b : d->findChildren<QRadioButton*>())
        if (b->isChecked()) on << b->objectName().mid(6).toInt();
    std::sort(on.begin(), on.end());
    QStringList numbers;
    for (int n : on) numbers << QString::number(n);
    return numbers.join(u' ');
}

void clickEntries(PictureList* list, std::initializer_list<int> rows)
{
    for (int row : rows)
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

QStringList tickedEntries(PictureList* list)
{
    QStringList s;
    for (int i = 0; i < list->count(); ++i)
        if (list->isTicked(i)) s << list->entryText(i);
    return s;
}

QStringList sorted(QStringList l)
{
    l.sort();
    return l;
}

// Puts a folder where the file should be, so that saving it fails.
void blockFile(const QString& path)
{
    QFile::remove(path);
    QVERIFY(QDir().mkdir(path));
}

template <class Dialog>
Dialog* whenActive(Dialog* d)
{
    // A dialog that never becomes active counts as not opened.
    return d && QTest::qWaitFor([d] { return d->isActiveWindow(); }, kWait) ? d : nullptr;
}

} // namespace

class Dialogs : public QObject {
    Q_OBJECT

    std::unique_ptr<Session> s;
    MessageWatch messages;
    bool messagesExpected = false;

    QStringList catalogue() const { return s->round().folder().pictures; }

    // Writes the given files into the data folder, starts the game, lets its first
    // instruction end and ages both files the game keeps. False when any of it failed.
    bool start(const QByteArray& word = {}, const QByteArray& fname = {})
    {
        launch(word, fname);
        return !QTest::currentTestFailed();
    }
    void launch(const QByteArray& word, const QByteArray& fname)
    {
        s = std::make_unique<Session>();
        s->folder.addPictures(kPictures);
        if (!word.isEmpty()) writeBytes(s->word(), word);
        if (!fname.isEmpty()) writeBytes(s->fname(), fname);
        s->game = startGame(s->folder.data(), s->traceFile());
        QVERIFY(s->game);
        // The first question comes with the first showing; the dialogs leave from an active
        // main screen.
        s->screen().showOverScreen();
        QTRY_COMPARE_WITH_TIMEOUT(s->game->speech.spoken.size(), 1, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(s->screen().isActiveWindow(), kWait);
        s->activationsAtStart = s->screen().activation().count();
        s->game->speech.finishSpeaking();
        QVERIFY(!s->round().speaking());
        ageFile(s->word());
        ageFile(s->fname());
    }
    SettingsDialog* openSettings()
    {
        QTest::keyClick(&s->screen(), Qt::Key_H);
        return whenActive(settingsDialog());
    }
    PictureChoiceDialog* openPictureChoice()
    {
        QTest::keyClick(&s->screen(), Qt::Key_N);
        return whenActive(pictureChoiceDialog());
    }
    SettingsDialog* startInSettings(const QByteArray& word = {}) { return start(word) ? openSettings() : nullptr; }
    PictureChoiceDialog* startInPictureChoice() { return start() ? openPictureChoice() : nullptr; }

    // Leaving a dialog shows the main screen again, which sets exactly one new question and
    // says its instruction.
    void checkNewQuestion()
    {
        QTRY_COMPARE_WITH_TIMEOUT(s->screen().activation().count(), s->activationsAtStart + 1, kWait);
        QVERIFY(s->screen().isActiveWindow());
        QCOMPARE(s->game->speech.spoken.size(), 2);
    }

private slots:
    void initTestCase()
    {
        installFontSubstitutes();  // as the program does at start
        quietenOffscreenPlatform();
    }
    void init()
    {
        messages.texts.clear();
        messagesExpected = false;
    }
    void cleanup()
    {
        s.reset();
        if (!messagesExpected) QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join(u'\n')));
    }

    // ---- the windows themselves ----

    void dialogsAreOwnerlessFramelessCentredAndEverythingFitsInside()
    {
        QVERIFY(start());
        SettingsDialog* settings = openSettings();
        s->screen().returnFromDialog();
        PictureChoiceDialog* pictures = openPictureChoice();
        QVERIFY(settings && pictures);

        for (DialogWindow* d : {static_cast<DialogWindow*>(settings), static_cast<DialogWindow*>(pictures)}) {
            QVERIFY(d->windowFlags() & Qt::FramelessWindowHint);
            QVERIFY(d->isWindow());
            QVERIFY(!d->parentWidget());
            QVERIFY(!d->windowHandle()->transientParent());
            // Centred on the screen itself, whatever size the main screen was fitted to.
            QCOMPARE(d->geometry().center(), QGuiApplication::primaryScreen()->geometry().center());
            for (QWidget* c : d->findChildren<QWidget*>()) {
                QVERIFY2(d->shapeRect().contains(c->mapTo(d, c->rect().topLeft())) &&
                             d->shapeRect().contains(c->mapTo(d, c->rect().bottomRight())),
                         qPrintable(c->objectName() + QStringLiteral(" lies outside the drawn frame")));
            }
            // Controls of one container never overlap.
            QList<QWidget*> all = d->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
            for (QGroupBox* f : d->findChildren<QGroupBox*>())
                all << f->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
            for (QWidget* a : all)
                for (QWidget* b : all)
                    if (a != b && a->parentWidget() == b->parentWidget() && a->isVisibleTo(d) && b->isVisibleTo(d))
                        QVERIFY2(!a->geometry().intersects(b->geometry()),
                                 qPrintable(a->objectName() + QStringLiteral(" overlaps ") + b->objectName()));

            // Captions fit. A push button's hint has a minimum width of its own; the caption
            // and a small margin on each side are what must fit.
            for (QRadioButton* b : d->findChildren<QRadioButton*>())
                QVERIFY2(b->sizeHint().width() <= b->width(),
                         qPrintable(QStringLiteral("%1 \"%2\" needs %3 px, has %4")
                                        .arg(b->objectName(), b->text())
                                        .arg(b->sizeHint().width())
                                        .arg(b->width())));
            for (QPushButton* b : d->findChildren<QPushButton*>())
                QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + 8 <= b->width(),
                         qPrintable(b->objectName() + QStringLiteral(" in ") + QFontInfo(b->font()).family()));
            for (QLabel* l : d->findChildren<QLabel*>())
                QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), qPrintable(l->objectName()));
            for (QGroupBox* f : d->findChildren<QGroupBox*>())
                QVERIFY2(f->fontMetrics().horizontalAdvance(f->title()) + 16 <= f->width(), qPrintable(f->objectName()));
        }
        QCOMPARE(settings->size(), QSize(361, 353));
        QCOMPARE(pictures->size(), QSize(399, 394));

        QVERIFY(partOf<QLabel>(settings, "Label2")->font().bold());
        QCOMPARE(partOf<QLabel>(settings, "Label2")->font().pointSizeF(), 14.25);
        QCOMPARE(partOf<QLabel>(pictures, "Label1")->font().pointSizeF(), 14.25);
        // Every control but the titles shows the dialogs' own font, frames and their buttons too.
        for (QWidget* c : {static_cast<QWidget*>(partOf<QRadioButton>(settings, "Option2")), static_cast<QWidget*>(partOf<QGroupBox>(settings, "Frame4")),
                           static_cast<QWidget*>(partOf<QPushButton>(settings, "Command1")), static_cast<QWidget*>(partOf<PictureList>(pictures, "List1"))})
            QCOMPARE(QFontInfo(c->font()).family(), QFontInfo(dialogFont()).family());
        QCOMPARE(partOf<QRadioButton>(settings, "Option1")->font().pointSizeF(), 9.0);
        QVERIFY(!partOf<QRadioButton>(settings, "Option1")->font().bold());
    }

    void framesAreIndependentAndTabFollowsTheDesign()
    {
        SettingsDialog* d = startInSettings();
        QVERIFY(d);
        clickOptions(d, QStringLiteral("2 7 10 14"));
        QCOMPARE(onButtons(d), QStringLiteral("2 3 7 10 11 14"));

        // Tab walks the controls in design order, stopping once per frame (at its button
        // that is on, even when another had the focus there), and comes round again.
        partOf<QRadioButton>(d, "Option1")->setFocus();
        QStringList walked;
        for (int i = 0; i < 10; ++i) {
            QWidget* focused = QApplication::focusWidget();
            QVERIFY(focused);
            walked << focused->objectName();
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        QCOMPARE(walked, QStringList({QStringLiteral("Option1"), QStringLiteral("Option3"), QStringLiteral("Command1"),
                                      QStringLiteral("Command2"), QStringLiteral("Option7"), QStringLiteral("Option10"),
                                      QStringLiteral("Option11"), QStringLiteral("Option14"), QStringLiteral("CommandAccess"),
                                      QStringLiteral("Option2")}));

        // Enter on a focused button presses nothing, and Esc is no key of the dialog: a press
        // would leave the dialog at once, in the key's own handling.
        QSignalSpy finished(d, &DialogWindow::finished);
        partOf<QPushButton>(d, "Command1")->setFocus();
        QTest::keyClick(partOf<QPushButton>(d, "Command1"), Qt::Key_Return);
        QTest::keyClick(partOf<QPushButton>(d, "Command1"), Qt::Key_Enter);
        QTest::keyClick(partOf<QPushButton>(d, "Command1"), Qt::Key_Escape);
        QCOMPARE(finished.size(), 0);
        QVERIFY(d->isActiveWindow());
        QCOMPARE(s->game->speech.spoken.size(), 1);
        QVERIFY(traceEvents(s->traceFile()).filter(QStringLiteral("key\t27")).isEmpty());
    }

    // Tab and Backtab enter each option frame at its button that is on, even when the
    // focus was last on another there, so that a Space there changes nothing by accident.
    void tabEntersEachFrameAtTheButtonThatIsOn_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("walked");  // from "実行"
        QTest::newRow("Tab") << QStringLiteral("#FALSE#,#FALSE#,2,2,#FALSE#,#TRUE#") << int(Qt::Key_Tab)
                             << QStringLiteral("Command2 Option7 Option10 Option12 Option13 CommandAccess Option2 Option4 Command1");
        QTest::newRow("Backtab") << QStringLiteral("#FALSE#,#FALSE#,1,1,#FALSE#,#FALSE#") << int(Qt::Key_Backtab)
                                 << QStringLiteral("Option4 Option2 CommandAccess Option14 Option12 Option9 Option6 Command2");
    }
    void tabEntersEachFrameAtTheButtonThatIsOn()
    {
        QFETCH(QString, stored);
        QFETCH(int, key);
        SettingsDialog* d = startInSettings(stored.toLatin1() + "\r\n");
        QVERIFY(d);
        const QString shown = onButtons(d);
        for (QRadioButton* first : {partOf<QRadioButton>(d, "Option1"), partOf<QRadioButton>(d, "Option3"), partOf<QRadioButton>(d, "Option5"), partOf<QRadioButton>(d, "Option8"),
                                    partOf<QRadioButton>(d, "Option11"), partOf<QRadioButton>(d, "Option13")})
            first->setFocus(Qt::MouseFocusReason);
        partOf<QPushButton>(d, "Command1")->setFocus(Qt::OtherFocusReason);
        QStringList walked;
        for (int i = 0; i < 8 + (key == Qt::Key_Tab); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
            walked << QApplication::focusWidget()->objectName();
            if (qobject_cast<QRadioButton*>(QApplication::focusWidget()))
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        }
        QTEST(walked.join(u' '), "walked");
        QCOMPARE(onButtons(d), shown);
    }

    // ---- the settings dialog ----

    void executeTakesTheButtonsOverAndSavesOnlyAChange_data()
    {
        QTest::addColumn<QString>("stored");  // none: the game writes its defaults
        QTest::addColumn<QString>("shown");   // the buttons on at the opening
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QString>("saved");   // none: the file must stay as it was
        const QString mixed = QStringLiteral("#FALSE#,#FALSE#,0,1,#FALSE#,#TRUE#");
        QTest::newRow("stored values shown") << QStringLiteral("#FALSE#,#FALSE#,1,2,#FALSE#,#TRUE#")
                                             << QStringLiteral("2 4 6 10 12 13") << QString() << QString();
        QTest::newRow("no change") << QStringLiteral("#FALSE#,#TRUE#,1,1,#TRUE#,#TRUE#") << QStringLiteral("2 3 6 9 11 13")
                                   << QString() << QString();
        QTest::newRow("every frame") << mixed << QStringLiteral("2 4 5 9 12 13") << QStringLiteral("1 3 6 10 11 14")
                                     << QStringLiteral("#TRUE#,#TRUE#,1,2,#TRUE#,#FALSE#");
        QTest::newRow("only the decoy count") << mixed << QStringLiteral("2 4 5 9 12 13") << QStringLiteral("7")
                                              << QStringLiteral("#FALSE#,#FALSE#,2,1,#FALSE#,#TRUE#");
        QTest::newRow("only the decoy kind") << QString() << kDefaultButtons << QStringLiteral("9")
                                             << QStringLiteral("#TRUE#,#TRUE#,0,1,#TRUE#,#FALSE#");
        QTest::newRow("changed and changed back") << QStringLiteral("#TRUE#,#FALSE#,2,0,#TRUE#,#FALSE#")
                                                  << QStringLiteral("1 4 7 8 11 14") << QStringLiteral("2 1 5 7 12 11")
                                                  << QString();
        // A count no button stands for: none on in its frame, and the count survives.
        QTest::newRow("hand-edited decoy count") << QStringLiteral("#TRUE#,#TRUE#,3,0,#TRUE#,#FALSE#")
                                                 << QStringLiteral("1 3 8 11 14") << QString() << QString();
    }
    void executeTakesTheButtonsOverAndSavesOnlyAChange()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, clicks);
        QFETCH(QString, saved);
        SettingsDialog* d = startInSettings(stored.isEmpty() ? QByteArray() : stored.toLatin1() + "\r\n");
        QVERIFY(d);
        const QByteArray before = readBytes(s->word());
        QCOMPARE(before, stored.isEmpty() ? formatSettings({}) : stored.toLatin1() + "\r\n");
        QCOMPARE(formatSettings(s->round().settings()), before);
        QCOMPARE(onButtons(d), shown);
        QVERIFY(d->chosenSettings() == s->round().settings());
        clickOptions(d, clicks);
        click(partOf<QPushButton>(d, "Command1"));
        checkNewQuestion();
        QVERIFY(d->isVisible());  // never closed, only covered
        const QByteArray after = saved.isEmpty() ? before : saved.toLatin1() + "\r\n";
        QCOMPARE(formatSettings(s->round().settings()), after);
        QCOMPARE(s->game->writes.finish(std::chrono::milliseconds(kWait)), QStringList());
        QCOMPARE(readBytes(s->word()), after);
        if (saved.isEmpty()) QCOMPARE(modified(s->word()), kOldTime);
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
        QVERIFY(start());
        const Settings before = s->round().settings();
        SettingsDialog* d = openSettings();
        QVERIFY(d);
        clickOptions(d, QStringLiteral("2 4 7 10 12 13"));
        if (cancel)
            click(partOf<QPushButton>(d, "Command2"));
        else
            s->screen().activateWindow();  // what the window system does for a click on the main screen
        checkNewQuestion();
        QVERIFY(s->round().settings() == before);
        QCOMPARE(s->game->writes.finish(std::chrono::milliseconds(kWait)), QStringList());
        QCOMPARE(modified(s->word()), kOldTime);

        QCOMPARE(openSettings(), d);
        QCOMPARE(onButtons(d), kDefaultButtons);
        const auto tops = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(tops.begin(), tops.end(), [](QWidget* w) { return qobject_cast<SettingsDialog*>(w) != nullptr; }),
                 1);
    }

    void failedSettingsSaveIsReportedAndTheValuesHold()
    {
        QVERIFY(start());
        messagesExpected = true;
        blockFile(s->word());
        SettingsDialog* d = openSettings();
        QVERIFY(d);
        click(partOf<QRadioButton>(d, "Option7"));
        click(partOf<QPushButton>(d, "Command1"));
        messages.checkOneFailure(QStringLiteral("Word.txt"));
        QCOMPARE(s->round().settings().decoyCount, DecoyCount::Two);
        checkNewQuestion();
    }

    // ---- the picture choice dialog ----

    void listShowsTheCatalogueWithTheTasksTicked()
    {
        QVERIFY(start());
        // A name that differs only in case, and one that is no picture, tick nothing.
        s->round().setTasks({QStringLiteral("ねこ.jpg"), QStringLiteral("うし.JPG"), QStringLiteral("とら.jpg"),
                             QStringLiteral("かめ.jpg"), QStringLiteral("ねこ.jpg")});
        PictureChoiceDialog* d = openPictureChoice();
        QVERIFY(d);
        checkShowsCatalogue(partOf<PictureList>(d, "List1"));
        QCOMPARE(tickedEntries(partOf<PictureList>(d, "List1")), catalogue().filter(QRegularExpression(QStringLiteral("^(ねこ|かめ)\\.jpg$"))));
    }

    void threeTickedDoNothingFourAreSavedInCatalogueOrder()
    {
        QVERIFY(start());
        const QByteArray stored = readBytes(s->fname());
        const QStringList before = s->round().tasks();
        PictureChoiceDialog* d = openPictureChoice();
        QVERIFY(d);
        QSignalSpy finished(d, &DialogWindow::finished);
        click(partOf<QPushButton>(d, "Command4"));
        QVERIFY(tickedEntries(partOf<PictureList>(d, "List1")).isEmpty());
        click(partOf<QPushButton>(d, "Command1"));  // none ticked
        clickEntries(partOf<PictureList>(d, "List1"), {4, 1, 3});
        click(partOf<QPushButton>(d, "Command1"));
        QCOMPARE(finished.size(), 0);
        QCOMPARE(s->round().tasks(), before);
        QCOMPARE(s->game->writes.finish(std::chrono::milliseconds(kWait)), QStringList());
        QCOMPARE(modified(s->fname()), kOldTime);
        QVERIFY(d->isActiveWindow());
        QCOMPARE(s->screen().activation().count(), s->activationsAtStart);

        clickEntries(partOf<PictureList>(d, "List1"), {0, 2, 2});  // a second click takes it back
        QCOMPARE(tickedEntries(partOf<PictureList>(d, "List1")).size(), 4);
        click(partOf<QPushButton>(d, "Command1"));
        QCOMPARE(finished.size(), 1);
        const QStringList chosen = {catalogue()[0], catalogue()[1], catalogue()[3], catalogue()[4]};
        QCOMPARE(sorted(s->round().tasks()), sorted(chosen));
        checkNewQuestion();
        // The new question is one of the chosen pictures.
        QVERIFY(chosen.contains(s->game->question().picture));
        QCOMPARE(sorted(s->round().tasks()), sorted(chosen));
        QCOMPARE(s->game->writes.finish(std::chrono::milliseconds(kWait)), QStringList());
        const QByteArray written = readBytes(s->fname());
        QVERIFY(written != stored);
        QCOMPARE(written.count("#TRUE#"), 4);
        QCOMPARE(written.count("#FALSE#"), 2);
    }

    void anEntryTogglesByClickAnywhereOnItAndBySpace()
    {
        PictureChoiceDialog* d = startInPictureChoice();
        QVERIFY(d);
        PictureList* list = partOf<PictureList>(d, "List1");
        QWidget* port = list->viewport();
        auto at = [list](int row) { return list->visualItemRect(list->item(row)); };
        click(partOf<QPushButton>(d, "Command4"));
        QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(at(2).left() + 8, at(2).center().y()));  // its box
        QCOMPARE(tickedEntries(list), QStringList({catalogue()[2]}));
        QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(at(2).right() - 4, at(2).center().y()));  // beyond the text
        QVERIFY(tickedEntries(list).isEmpty());
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(tickedEntries(list), QStringList({catalogue()[3]}));
        // A press that starts on one entry and moves over others changes only the first.
        QTest::mousePress(port, Qt::LeftButton, {}, at(5).center());
        QMouseEvent move(QEvent::MouseMove, QPointF(at(1).center()), port->mapToGlobal(QPointF(at(1).center())),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        QTest::mouseRelease(port, Qt::LeftButton, {}, at(1).center());
        QCOMPARE(tickedEntries(list), QStringList({catalogue()[3], catalogue()[5]}));
    }

    void tickAllMakesEveryPictureATask()
    {
        PictureChoiceDialog* d = startInPictureChoice();
        QVERIFY(d);
        click(partOf<QPushButton>(d, "Command4"));
        click(partOf<QPushButton>(d, "Command3"));
        QCOMPARE(tickedEntries(partOf<PictureList>(d, "List1")).size(), kPictures.size());
        click(partOf<QPushButton>(d, "Command1"));
        QCOMPARE(sorted(s->round().tasks()), sorted(catalogue()));
        checkNewQuestion();
    }

    void cancelLeavesTheTasksAndReopeningShowsWhatIsInPlay()
    {
        QVERIFY(start());
        s->round().setTasks(catalogue().mid(0, 4));
        PictureChoiceDialog* d = openPictureChoice();
        QVERIFY(d);
        click(partOf<QPushButton>(d, "Command4"));
        clickEntries(partOf<PictureList>(d, "List1"), {0, 5, 1});
        click(partOf<QPushButton>(d, "Command2"));
        checkNewQuestion();
        QCOMPARE(sorted(s->round().tasks()), sorted(catalogue().mid(0, 4)));
        QCOMPARE(s->game->writes.finish(std::chrono::milliseconds(kWait)), QStringList());
        QCOMPARE(modified(s->fname()), kOldTime);
        // Each opening ticks exactly the pictures in play, so that ticks left by a cancelled
        // choice are never taken by a later "決定", and never adds the catalogue twice.
        for (int n = 0; n < 3; ++n) {
            QCOMPARE(openPictureChoice(), d);
            checkShowsCatalogue(partOf<PictureList>(d, "List1"));
            QCOMPARE(tickedEntries(partOf<PictureList>(d, "List1")), catalogue().mid(0, 4));
            clickEntries(partOf<PictureList>(d, "List1"), {5});
            s->screen().returnFromDialog();
            QTRY_VERIFY_WITH_TIMEOUT(s->screen().isActiveWindow(), kWait);
        }
    }

    void failedTaskListSaveIsReportedAndTheChoiceHolds()
    {
        QVERIFY(start());
        messagesExpected = true;
        blockFile(s->fname());
        PictureChoiceDialog* d = openPictureChoice();
        QVERIFY(d);
        click(partOf<QPushButton>(d, "Command4"));
        clickEntries(partOf<PictureList>(d, "List1"), {1, 2, 3, 4});
        click(partOf<QPushButton>(d, "Command1"));
        messages.checkOneFailure(QStringLiteral("Fname.txt"));
        QCOMPARE(s->round().tasks().size(), 4);
        checkNewQuestion();
    }

    // ---- what start-up found, told at the first opening ----

    void noticeOfAFileStartUpCouldNotUseAtTheFirstOpeningOnly_data()
    {
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<bool>("fnameTicksNothing");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("says");
        QTest::newRow("damaged Word.txt, H") << QByteArray("#TRUE#,nonsense") << false << int(Qt::Key_H)
                                             << QStringLiteral("Word.txt");
        QTest::newRow("Fname.txt ticking nothing, N") << QByteArray() << true << int(Qt::Key_N)
                                                      << QStringLiteral("どの画像も選ばれていませんでした");
        QTest::newRow("damaged Word.txt, N says nothing") << QByteArray("#TRUE#,nonsense") << false << int(Qt::Key_N)
                                                          << QString();
    }
    void noticeOfAFileStartUpCouldNotUseAtTheFirstOpeningOnly()
    {
        QFETCH(QByteArray, word);
        QFETCH(bool, fnameTicksNothing);
        QFETCH(int, key);
        QFETCH(QString, says);
        QByteArray fname;
        if (fnameTicksNothing) {
            std::vector<TaskEntry> none;
            for (const QString& p : sorted(kPictures)) none.push_back({p, false});
            fname = formatTaskList(none);
        }
        QVERIFY(start(word, fname));
        messagesExpected = true;
        for (int n = 0; n < 2; ++n) {
            // The notice box is shown, and closed by the watch, within the key's handling.
            QTest::keyClick(&s->screen(), Qt::Key(key));
            QCOMPARE(messages.texts.size(), says.isEmpty() ? 0 : 1);
            DialogWindow* d = key == Qt::Key_H ? static_cast<DialogWindow*>(settingsDialog())
                                               : static_cast<DialogWindow*>(pictureChoiceDialog());
            QVERIFY(d && d->isVisible());
            // The window system's answers to the activations asked for so far.
            for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
            QVERIFY(d->isActiveWindow());
            // The adult clicks into the dialog, then leaves it.
            d->activateWindow();
            QTRY_VERIFY_WITH_TIMEOUT(d->isActiveWindow(), kWait);
            s->screen().returnFromDialog();
            QTRY_COMPARE_WITH_TIMEOUT(s->screen().activation().count(), s->activationsAtStart + n + 1, kWait);
        }
        if (!says.isEmpty()) QVERIFY2(messages.texts[0].contains(says), qPrintable(messages.texts[0]));
    }

    // ---- the adult's keys while a word is praised ----

    void hDuringThePraiseStopsTheNextQuestionAndKeepsTheMark()
    {
        QVERIFY(start());
        MainScreen& f = s->screen();
        const Question& q = s->game->question();
        for (int k = 0; k < q.wordLength(); ++k) {
            s->game->sound.finish();
            click(tileOf(f, freeTileWith(q, q.tileLetter(k))));
            s->game->settle();
        }
        QVERIFY(rightMarkOf(f)->isVisible());
        QVERIFY(nextQuestionTimerOf(f.round()).isActive());
        const qsizetype spoken = s->game->speech.spoken.size();
        const int speechStops = s->game->speech.stops;
        const int soundStops = s->game->sound.stops;
        QTest::keyClick(&f, Qt::Key_H);
        QVERIFY(!nextQuestionTimerOf(f.round()).isActive());
        QCOMPARE(s->game->speech.stops, speechStops + 1);
        QVERIFY(s->game->sound.stops > soundStops);
        QVERIFY(whenActive(settingsDialog()));
        // With the timer stopped nothing can set the next question up behind the dialog.
        QVERIFY(!nextQuestionTimerOf(f.round()).isActive());
        QVERIFY(rightMarkOf(f)->isVisible());
        QCOMPARE(s->game->speech.spoken.size(), spoken);
    }

    void escapeSilencesAndEndsTheEventLoopWithZero()
    {
        QVERIFY(start());
        MainScreen* f = &s->screen();
        QTest::keyClick(f, Qt::Key_H);  // an open dialog does not keep the program alive
        QTimer::singleShot(0, f, [f] { QTest::keyClick(f, Qt::Key_Escape); });
        // Only so that a fault ends the test instead of hanging it; it never fires when all is well.
        QTimer::singleShot(kWait, f, [] { QApplication::exit(99); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(s->game->speech.stops, 2);
        QVERIFY(!s->game->speech.speaking);
        QVERIFY(!s->game->sound.isPlaying());
        QCOMPARE(traceEvents(s->traceFile()).filter(QRegularExpression(QStringLiteral("^key\t"))),
                 QStringList({QStringLiteral("key\t72"), QStringLiteral("key\t27")}));
    }

private:
    // Each picture of the folder once, in the catalogue's order.
    void checkShowsCatalogue(PictureList* list)
    {
        QStringList shown;
        for (int i = 0; i < list->count(); ++i) shown << list->entryText(i);
        QCOMPARE(shown, catalogue());
        QCOMPARE(shown.size(), kPictures.size());
    }
};

QTEST_MAIN(Dialogs)
#include "test_dialogs.moc"
