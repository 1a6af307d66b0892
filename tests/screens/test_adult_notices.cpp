// SPDX-License-Identifier: GPL-3.0-or-later
// What the adult sees in the dialogs: exactly the pictures in play, a file start-up found
// damaged or empty said once, and names shown as plain text.
#include "fakes/FindWidget.h"
#include "screens/AdultDialogs.h"
#include "fakes/FakeSound.h"
#include "fakes/FakeSpeech.h"
#include "game/Round.h"
#include "screens/DialogParts.h"
#include "screens/MainScreen.h"
#include "screens/PictureChoiceDialog.h"
#include "screens/SettingsDialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace mokuri;
using namespace mokuri::test;

namespace {

struct Rig {
    QTemporaryDir folder;  // where the picture choice is saved
    FakeSound sound;
    FakeSpeech speech;
    Random random{3u};
    Trace trace;
    TwipScale scale{15};
    WriteQueue writes;
    std::unique_ptr<Round> round;
    std::unique_ptr<AdultSession> session;
    std::unique_ptr<MainScreen> screen;

    Rig()
    {
        const QStringList pictures{QStringLiteral("あり.bmp"), QStringLiteral("いぬ.bmp"), QStringLiteral("うし.bmp"),
                                   QStringLiteral("えび.bmp"), QStringLiteral("おに.bmp")};
        round = std::make_unique<Round>(PictureFolder{folder.path(), pictures}, pictures.mid(0, 4),
                                        Settings{}, QStringList{}, sound, speech, random, trace);
        session = std::make_unique<AdultSession>(*round, writes, trace);
        screen = std::make_unique<MainScreen>(*round, scale, trace);
        new AdultDialogs(*session, *screen, scale);
        screen->fitToScreen(QSize(1024, 768));
    }
    ~Rig() { screen.reset(); }
};

// Runs `open`, which shows a message box, and returns what the box said (closing it).
struct SeenBox {
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    int boxes = 0;
};
template <class Open>
SeenBox messagesWhile(Open open)
{
    SeenBox seen;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                ++seen.boxes;
                seen.text = box->text();
                seen.format = box->textFormat();
                box->accept();
            }
    });
    poll.start();
    open();
    QCoreApplication::processEvents();
    return seen;
}

} // namespace

class AdultNotices : public QObject {
    Q_OBJECT

private slots:
    void pictureChoiceShowsExactlyThePicturesInPlay()
    {
        Rig rig;
        rig.round->onAdultKey(AdultKey::PictureChoice);
        auto* dialog = topLevelNamed<PictureChoiceDialog>(QStringLiteral("Form3"));
        QVERIFY(dialog);
        PictureList* list = partOf<PictureList>(dialog, "List1");
        QCOMPARE(list->count(), 5);
        QVERIFY(!list->isTicked(4));
        list->setTicked(4, true);   // ticked, then the adult thinks better of it
        list->setTicked(0, false);
        dialog->cancel();
        rig.round->onAdultKey(AdultKey::PictureChoice);
        QVERIFY(list->isTicked(0));
        QVERIFY(!list->isTicked(4));
        dialog->decide();
        QCOMPARE(rig.round->tasks().size(), 4);
        QVERIFY(!rig.round->tasks().contains(QStringLiteral("おに.bmp")));
    }

    void aNoticeIsShownOnceAtTheFirstOpening_data()
    {
        QTest::addColumn<AdultKey>("key");
        QTest::newRow("settings (H)") << AdultKey::Settings;
        QTest::newRow("picture choice (N)") << AdultKey::PictureChoice;
    }
    void aNoticeIsShownOnceAtTheFirstOpening()
    {
        QFETCH(AdultKey, key);
        Rig rig;
        const QString settingsNotice = QStringLiteral("設定ファイルが読めませんでした。");
        const QString choiceNotice = QStringLiteral("どの画像も選ばれていませんでした。");
        rig.session->setNotices(settingsNotice, choiceNotice);
        const SeenBox first = messagesWhile([&] { rig.round->onAdultKey(key); });
        QCOMPARE(first.boxes, 1);
        QCOMPARE(first.text, key == AdultKey::Settings ? settingsNotice : choiceNotice);
        rig.screen->returnFromDialog();
        const SeenBox again = messagesWhile([&] { rig.round->onAdultKey(key); });
        QCOMPARE(again.boxes, 0);
    }

    void namesInMessagesAreNeverMarkup()
    {
        const QString folder = QStringLiteral("<h1><font color=red>ひみつ</font><img src=x.png></h1>");
        const SeenBox seen = messagesWhile([&] { showNotSavedMessage(folder + QStringLiteral("/Word.txt"), QStringLiteral("設定")); });
        QCOMPARE(seen.boxes, 1);
        QCOMPARE(seen.format, Qt::PlainText);
        QVERIFY(seen.text.contains(folder));
    }
};

QTEST_MAIN(AdultNotices)
#include "test_adult_notices.moc"
