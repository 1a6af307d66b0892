// Start-up of the main screen: the order of the loads, the data folder and the controls.
#include "app/Trace.h"
#include "content/Globals.h"
#include "fakes/TestFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

using namespace mokuri;
using namespace mokuri::test;

class Startup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("MOKURI_MESSAGE_TIMEOUT_MS", "10"); }

    void folderWithoutPictures()
    {
        TestFolder folder;
        bool loaded = true;
        Game g = StartGame(folder.Data(), &loaded);
        QVERIFY(!loaded);
        // Settings and praise come before the pictures; the task list after them.
        QVERIFY(QFileInfo::exists(folder.Data() + "/Word.txt"));
        QVERIFY(QFileInfo::exists("O.txt"));
        QVERIFY(!QFileInfo::exists(folder.Data() + "/Fname.txt"));
        QVERIFY(!g.form->isVisible());
    }

    void folderThatDoesNotExistCreatesNothing()
    {
        TestFolder folder;
        bool loaded = true;
        Game g = StartGame(folder.Path() + "/no such folder", &loaded);
        QVERIFY(!loaded);
        QVERIFY(!QFileInfo::exists(folder.Path() + "/no such folder"));
        QCOMPARE(QDir(folder.Path()).entryList(QDir::Files).size(), 0);
    }

    void emptyCommandLineUsesTheCurrentFolder()
    {
        TestFolder folder;
        WritePicture(folder.Path() + "/いぬ.bmp");
        bool loaded = false;
        Game g = StartGame(QString(), &loaded);
        QVERIFY(loaded);
        QCOMPARE(DataFolder, QString());
        QVERIFY(QFileInfo::exists("Word.txt"));
        QVERIFY(QFileInfo::exists("Fname.txt"));
        QCOMPARE(AllPictureCount, int16_t(1));
    }

    void folderWithBlanksAndSeparator()
    {
        QCOMPARE(CommandLineFromArguments({"/tmp/My", "Pictures"}), QStringLiteral("/tmp/My Pictures"));
        TestFolder folder;
        QDir(folder.Path()).mkdir("my pics");
        WritePicture(folder.Path() + "/my pics/ねこ.bmp");
        bool loaded = false;
        Game g = StartGame(folder.Path() + "/my pics/", &loaded);
        QVERIFY(loaded);
        QCOMPARE(DataFolder, folder.Path() + "/my pics//");  // nothing strips the given separator
        QVERIFY(QFileInfo::exists(folder.Path() + "/my pics/Word.txt"));
        QVERIFY(QFileInfo::exists("O.txt"));  // praise stays in the current folder
        QVERIFY(!QFileInfo::exists(folder.Path() + "/my pics/O.txt"));
    }

    void correctMarkForTwoScreens_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QList<float>>("expected");  // font, top, left, width, height
        QTest::newRow("1024x768") << QSize(1024, 768) << QList<float>{307, 2649, 4608, 7680, 5760};
        QTest::newRow("800x600") << QSize(800, 600) << QList<float>{240, 2070, 3600, 6000, 4500};
    }
    void correctMarkForTwoScreens()
    {
        QFETCH(QSize, screen);
        QFETCH(QList<float>, expected);
        TestFolder folder;
        folder.AddPictures({"いぬ.bmp"});
        ResetGlobals();
        SetTwipsPerPixelForTesting(15);
        SetScreenSizeForTesting(screen);
        CommandLineText = folder.Data();
        Form1 form(std::make_unique<FakeSound>(), new FakeSpeech);
        QVERIFY(form.Form_Load());
        QCOMPARE(form.FormWidth(), float(screen.width() * 15));
        QCOMPARE(form.FormHeight(), float(screen.height() * 15));
        QCOMPARE(float(form.Label4->FontSize()), expected[0]);
        QCOMPARE(form.Label4->Top(), expected[1]);
        QCOMPARE(form.Label4->Left(), expected[2]);
        QCOMPARE(form.Label4->Width(), expected[3]);
        QCOMPARE(form.Label4->Height(), expected[4]);
        QCOMPARE(form.size(), screen);
        SetScreenSizeForTesting(QSize(1024, 768));
    }

    void controlsOfTheMainScreen()
    {
        TestFolder folder;
        folder.AddPictures({"いぬ.bmp"});
        Game g = StartGame(folder.Data());
        Form1& f = *g.form;
        QVERIFY(f.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(f.palette().color(QPalette::Window), QColor(0, 128, 128));
        QVERIFY(f.font().bold());
        QCOMPARE(f.Label1->text(), QStringLiteral("Label1"));
        QCOMPARE(f.Label1->palette().color(QPalette::Window), QColor(255, 255, 255));
        QCOMPARE(f.Label1->palette().color(QPalette::WindowText), QColor(128, 128, 255));
        QCOMPARE(f.Label3->text(), QStringLiteral("×"));
        QCOMPARE(f.Label4->text(), QStringLiteral("○"));
        QCOMPARE(f.Label3->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(!f.Label3->isVisibleTo(&f));
        QVERIFY(!f.Label4->isVisibleTo(&f));
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(f.Label2[size_t(i)]->text(), QStringLiteral("Label2"));
            QCOMPARE(f.Label2[size_t(i)]->Left(), float(120 + 600 * i));
            QCOMPARE(f.Label2[size_t(i)]->Top(), 3960.f);
        }
        QCOMPARE(f.Timer1->interval(), 500);
        QCOMPARE(f.Timer2->interval(), 1000);
        QVERIFY(!f.Timer1->isActive());
        QVERIFY(!f.Timer2->isActive());

        // Stacking, bottom first: Image1, Label1, Label2(0), Label4, Label2(1..9), Label3.
        QList<QWidget*> order;
        for (QObject* o : f.children())
            if (auto* w = qobject_cast<QWidget*>(o)) order << w;
        QList<QWidget*> expected = {f.Image1, f.Label1, f.Label2[0], f.Label4};
        for (int i = 1; i < 10; ++i) expected << f.Label2[size_t(i)];
        expected << f.Label3;
        QCOMPARE(order, expected);
    }

    void traceOfAStart()
    {
        TestFolder folder;
        folder.AddPictures({"いぬ.bmp", "ねこ.bmp"});
        const QString trace = folder.Path() + "/trace.log";
        qputenv("MOKURI_TRACE", trace.toUtf8());
        ReopenTrace();
        Game g = StartGame(folder.Data());
        g.form->Form_Activate();
        qunsetenv("MOKURI_TRACE");
        ReopenTrace();
        const QList<QByteArray> lines = ReadBytes(trace).split('\n');
        QStringList events;
        for (const QByteArray& l : lines) {
            const QList<QByteArray> fields = l.split('\t');
            if (fields.size() < 2) continue;
            bool ok = false;
            fields[0].toDouble(&ok);
            QVERIFY2(ok && fields[0].contains('.'), l.constData());
            events << QString::fromUtf8(fields[1]);
        }
        QCOMPARE(events, QStringList({"start", "save", "save", "save", "question", "speak"}));
        QVERIFY(lines[0].endsWith("folder=" + folder.Data().toUtf8()));
        QVERIFY(lines[4].contains("\tword="));
        QVERIFY(lines[4].contains("\tslots="));
        QVERIFY(lines[4].contains("\tpicture="));
    }

    void realProgramEndsWithoutPictures()
    {
        const QByteArray bin = qgetenv("MOKURI_BIN");
        if (bin.isEmpty() || !QFileInfo::exists(QString::fromLocal8Bit(bin))) QSKIP("game binary not built");
        TestFolder folder;
        QProcess p;
        p.setWorkingDirectory(folder.Path());
        p.start(QString::fromLocal8Bit(bin), {folder.Data()});
        QVERIFY(p.waitForFinished(20000));
        QVERIFY(p.exitCode() != 0);
        QVERIFY(QFileInfo::exists(folder.Data() + "/Word.txt"));
        QVERIFY(!QFileInfo::exists(folder.Data() + "/Fname.txt"));
    }
};

QTEST_MAIN(Startup)
#include "test_startup.moc"
