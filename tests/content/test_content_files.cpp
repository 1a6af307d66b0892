// The three text files and the picture catalogue: bytes both ways, reconciliation,
// encodings and saves that never destroy the old file.
#include "content/FieldReader.h"
#include "content/Globals.h"
#include "content/PictureCatalog.h"
#include "content/PraiseFile.h"
#include "content/SettingsFile.h"
#include "content/TaskListFile.h"
#include "content/TextEncoding.h"
#include "fakes/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTest>
#include <unistd.h>

using namespace mokuri;
using namespace mokuri::test;

class ContentFiles : public QObject {
    Q_OBJECT
private:
    QByteArray Cp932(const QString& s) { return QStringEncoder("windows-932").encode(s); }

private slots:
    void init() { ResetGlobals(); }

    void settingsBytesBothWays()
    {
        TestFolder folder;
        DataFolder = folder.Data() + "/";
        LoadSettings();  // missing: defaults written
        QCOMPARE(ReadBytes(folder.Data() + "/Word.txt"), QByteArray("#TRUE#,#TRUE#,0,0,#TRUE#,#FALSE#\r\n"));
        QCOMPARE(ReadBytes(folder.Data() + "/Word.txt").size(), 34);
        QVERIFY(GameSettings == GameSettingsT{});

        WriteBytes(folder.Data() + "/Word.txt", "#FALSE#,#FALSE#,2,1,#FALSE#,#TRUE#\r\n");
        LoadSettings();
        QCOMPARE(GameSettings.ArrangeMode, VbFalse);
        QCOMPARE(GameSettings.ShowModel, VbFalse);
        QCOMPARE(GameSettings.DecoyCount, int16_t(2));
        QCOMPARE(GameSettings.DecoyKind, int16_t(1));
        QCOMPARE(GameSettings.ShowCursor, VbFalse);
        QCOMPARE(GameSettings.TouchOnly, VbTrue);
        QVERIFY(SaveSettings());
        QCOMPARE(ReadBytes(folder.Data() + "/Word.txt"), QByteArray("#FALSE#,#FALSE#,2,1,#FALSE#,#TRUE#\r\n"));

        // One value a line reads the same; an out-of-range count is kept as it is.
        WriteBytes(folder.Data() + "/Word.txt", "#TRUE#\r\n#FALSE#\r\n5\r\n-3\r\n#TRUE#\r\n#TRUE#\r\nextra");
        LoadSettings();
        QCOMPARE(GameSettings.DecoyCount, int16_t(5));
        QCOMPARE(GameSettings.DecoyKind, int16_t(-3));
        QCOMPARE(GameSettings.ShowModel, VbFalse);
        QVERIFY(SaveSettings());
        QCOMPARE(ReadBytes(folder.Data() + "/Word.txt"), QByteArray("#TRUE#,#FALSE#,5,-3,#TRUE#,#TRUE#\r\n"));
    }

    void damagedSettingsAreReplacedByDefaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("four fields") << QByteArray("#TRUE#,#TRUE#,0,0\r\n");
        QTest::newRow("garbage") << QByteArray("\x01\xff\xfe garbage,,,\r\n");
        QTest::newRow("word in a number") << QByteArray("#TRUE#,#TRUE#,two,0,#TRUE#,#FALSE#\r\n");
        QTest::newRow("too big") << QByteArray("#TRUE#,#TRUE#,99999,0,#TRUE#,#FALSE#\r\n");
    }
    void damagedSettingsAreReplacedByDefaults()
    {
        QFETCH(QByteArray, content);
        TestFolder folder;
        DataFolder = folder.Data() + "/";
        WriteBytes(folder.Data() + "/Word.txt", content);
        GameSettings.DecoyCount = 7;
        LoadSettings();
        QVERIFY(GameSettings == GameSettingsT{});
        QCOMPARE(ReadBytes(folder.Data() + "/Word.txt"), QByteArray("#TRUE#,#TRUE#,0,0,#TRUE#,#FALSE#\r\n"));
    }

    void saveIntoReadOnlyFolderKeepsOldFile()
    {
        if (geteuid() == 0) QSKIP("root writes into read-only folders");
        TestFolder folder;
        DataFolder = folder.Data() + "/";
        WriteBytes(folder.Data() + "/Word.txt", "#FALSE#,#TRUE#,1,0,#TRUE#,#FALSE#\r\n");
        QFile::setPermissions(folder.Data(), QFile::ReadOwner | QFile::ExeOwner);
        GameSettings.DecoyCount = 2;
        QVERIFY(!SaveSettings());
        QFile::setPermissions(folder.Data(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(ReadBytes(folder.Data() + "/Word.txt"), QByteArray("#FALSE#,#TRUE#,1,0,#TRUE#,#FALSE#\r\n"));
    }

    void saveOverUnwritableTargetKeepsOldFile()
    {
        // Works for root as well: a folder where the file should be cannot be replaced.
        TestFolder folder;
        DataFolder = folder.Data() + "/";
        QDir(folder.Data()).mkdir("Word.txt");
        QVERIFY(!SaveSettings());
        QVERIFY(QFileInfo(folder.Data() + "/Word.txt").isDir());
        QCOMPARE(QDir(folder.Data()).entryList(QDir::Files | QDir::Hidden).size(), 0);  // no temporary left
    }

    void fieldReader()
    {
        FieldReader r(QStringLiteral("  \"a,b\" , plain  ,#TRUE#\r\n\r\nlast\nx"));
        QCOMPARE(r.Next().text, QStringLiteral("a,b"));
        QCOMPARE(r.Next().text, QStringLiteral("plain"));
        QCOMPARE(ParseBooleanField(r.Next()), std::optional<int16_t>(-1));
        QCOMPARE(r.Next().text, QString());
        QCOMPARE(r.Next().text, QStringLiteral("last"));
        QVERIFY(!r.AtEnd());
        QCOMPARE(r.Next().text, QStringLiteral("x"));
        QVERIFY(r.AtEnd());
    }

    void praiseTexts()
    {
        TestFolder folder;
        QString texts[MaxPraiseTexts];
        int16_t count = -1;
        LoadPraiseTexts(texts, count);  // missing: written in CP932 and read back
        QCOMPARE(count, int16_t(1));
        QCOMPARE(texts[0], QStringLiteral("よくできました"));
        QByteArray bytes = ReadBytes("O.txt");
        QCOMPARE(bytes.size(), 16);
        QCOMPARE(bytes, Cp932(QStringLiteral("よくできました\r\n")));

        WriteBytes("O.txt", Cp932(QStringLiteral("すごいね\r\n\r\nじょうずだね\r\n\"かぎ,かっこ\"\r\nじょうず,すごい\r\na、b\r\n")));
        LoadPraiseTexts(texts, count);
        QCOMPARE(count, int16_t(6));
        QCOMPARE(texts[0], QStringLiteral("すごいね"));
        QCOMPARE(texts[1], QStringLiteral("じょうずだね"));
        QCOMPARE(texts[2], QStringLiteral("かぎ,かっこ"));
        QCOMPARE(texts[3], QStringLiteral("じょうず"));
        QCOMPARE(texts[4], QStringLiteral("すごい"));
        QCOMPARE(texts[5], QStringLiteral("a、b"));

        WriteBytes("O.txt", QByteArray());
        LoadPraiseTexts(texts, count);
        QCOMPARE(count, int16_t(0));
        QCOMPARE(ReadBytes("O.txt"), QByteArray());  // not rewritten

        QByteArray many;
        for (int i = 0; i < 30; ++i) many += "line" + QByteArray::number(i) + "\r\n";
        WriteBytes("O.txt", many);
        LoadPraiseTexts(texts, count);
        QCOMPARE(count, int16_t(21));
        QCOMPARE(texts[20], QStringLiteral("line20"));
    }

    void encodings()
    {
        // UTF-8 (with or without BOM) and CP932 read the same.
        const QString s = QStringLiteral("\"りんご.jpg\",#TRUE#\r\n");
        QCOMPARE(DecodeText(s.toUtf8()), s);
        QCOMPARE(DecodeText("\xEF\xBB\xBF" + s.toUtf8()), s);
        QCOMPARE(DecodeText(Cp932(s)), s);
        QCOMPARE(EncodeText(s), Cp932(s));
        // A name CP932 cannot hold is written as UTF-8 with a BOM, never as '?'.
        const QString korean = QStringLiteral("\"사과.jpg\",#TRUE#\r\n");
        QByteArray out = EncodeText(korean);
        QVERIFY(out.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(DecodeText(out), korean);
    }

    void catalogueOrderAndFilter()
    {
        TestFolder folder;
        folder.AddPictures({"b.JPG", "A.gif", "a.bmp", "c.jpeg", ".hidden.jpg", "ねこ.gif", "いぬ.jpg"});
        QDir(folder.Data()).mkdir("sub.jpg");
        FolderListing l = ListPictureFolder(folder.Data());
        QVERIFY(l.folderOk);
        QCOMPARE(l.names, QStringList({"a.bmp", "A.gif", "b.JPG", "いぬ.jpg", "ねこ.gif"}));
        QVERIFY(!ListPictureFolder(folder.Data() + "/nothere").folderOk);
    }

    void taskListReconciliation()
    {
        TestFolder folder;
        folder.AddPictures({"いぬ.jpg", "ねこ.gif", "とり.bmp"});
        CommandLineText = folder.Data();
        DataFolder = folder.Data() + "/";
        const QString fname = folder.Data() + "/Fname.txt";
        QVERIFY(LoadPictureList());
        QCOMPARE(AllPictureCount, int16_t(3));

        // Missing: every picture, written in catalogue order.
        LoadTaskList();
        QCOMPARE(TaskPictureCount, int16_t(3));
        QCOMPARE(ReadBytes(fname), Cp932("\"いぬ.jpg\",#TRUE#\r\n\"とり.bmp\",#TRUE#\r\n\"ねこ.gif\",#TRUE#\r\n"));

        // A choice that matches is kept and the file left alone.
        QByteArray chosen = Cp932("\"いぬ.jpg\",#TRUE#\r\n\"とり.bmp\",#FALSE#\r\n\"ねこ.gif\",#TRUE#\r\n");
        WriteBytes(fname, chosen);
        LoadTaskList();
        QCOMPARE(TaskPictureCount, int16_t(2));
        QCOMPARE(TaskPictures[0], QStringLiteral("いぬ.jpg"));
        QCOMPARE(TaskPictures[1], QStringLiteral("ねこ.gif"));
        QCOMPARE(ReadBytes(fname), chosen);

        // A shorter file still matches: the later pictures are simply not tasks.
        WriteBytes(fname, Cp932("\"いぬ.jpg\",#TRUE#\r\n"));
        LoadTaskList();
        QCOMPARE(TaskPictureCount, int16_t(1));

        // Every way of not matching resets the choice and rewrites the file.
        const QList<QByteArray> bad = {
            Cp932("\"いぬ.JPG\",#TRUE#\r\n"),                                    // letter case
            Cp932("\"ねこ.gif\",#TRUE#\r\n"),                                    // another order
            Cp932("\"いぬ.jpg\",#TRUE#\r\n\"とり.bmp\",#TRUE#\r\n\"ねこ.gif\",#TRUE#\r\n\"x.jpg\",#FALSE#\r\n"),
            Cp932("\"いぬ.jpg\",#TRUE#\r\n\"とり.b"),                             // cut in a name
            Cp932("\"いぬ.jpg\",yes\r\n"),                                       // not a truth value
            QByteArray("\xff\xfe\x00garbage"),
        };
        for (const QByteArray& b : bad) {
            WriteBytes(fname, b);
            LoadTaskList();
            QCOMPARE(TaskPictureCount, int16_t(3));
            QVERIFY(ReadBytes(fname).contains(Cp932("\"とり.bmp\",#TRUE#")));
        }

        // Nothing selected: every picture plays, the adult's file stays as it is.
        QByteArray none = Cp932("\"いぬ.jpg\",#FALSE#\r\n\"とり.bmp\",#FALSE#\r\n\"ねこ.gif\",#FALSE#\r\n");
        WriteBytes(fname, none);
        LoadTaskList();
        QCOMPARE(TaskPictureCount, int16_t(3));
        QCOMPARE(ReadBytes(fname), none);
    }

    void taskListWithNamesCp932CannotHold()
    {
        TestFolder folder;
        folder.AddPictures({"사과.jpg", "いぬ.jpg"});
        CommandLineText = folder.Data();
        DataFolder = folder.Data() + "/";
        QVERIFY(LoadPictureList());
        LoadTaskList();
        TaskPictureCount = 1;
        TaskPictures[0] = QStringLiteral("사과.jpg");
        QVERIFY(SaveTaskList());
        // The next start keeps the choice instead of resetting it.
        LoadTaskList();
        QCOMPARE(TaskPictureCount, int16_t(1));
        QCOMPARE(TaskPictures[0], QStringLiteral("사과.jpg"));
    }

    void moreThanMaxPicturesKeepsTheFirst()
    {
        TestFolder folder;
        QStringList names;
        for (int i = 0; i < 105; ++i) names << QString("p%1.bmp").arg(i, 3, 10, QChar('0'));
        folder.AddPictures(names);
        CommandLineText = folder.Data();
        QVERIFY(LoadPictureList());
        QCOMPARE(AllPictureCount, int16_t(101));
        QCOMPARE(AllPictures[100], QStringLiteral("p100.bmp"));
    }
};

QTEST_MAIN(ContentFiles)
#include "test_content_files.moc"
