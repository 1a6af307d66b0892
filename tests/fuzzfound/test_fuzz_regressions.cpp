// Inputs the fuzzers under fuzz/ broke, kept as ordinary tests so the faults stay fixed.
#include "content/Globals.h"
#include "content/PictureCatalog.h"
#include "content/PraiseFile.h"
#include "content/TaskListFile.h"
#include "content/TextEncoding.h"
#include "fakes/TestFolder.h"

#include <QStringDecoder>
#include <QTest>

using namespace mokuri;
using namespace mokuri::test;

namespace {
QString FromCp932(const QByteArray& b) { return QStringDecoder("windows-932").decode(b); }
}

class FuzzRegressions : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetGlobals(); }

    // Bytes written as CP932 that are also valid UTF-8 were read back as UTF-8, so
    // the text came back as something else.
    void writtenTextReadsBack_data()
    {
        QTest::addColumn<QString>("text");
        // fuzz_encoding: CP932 reads an undefined byte as U+001A, which CP932 writes as
        // 0x7F, plain ASCII that UTF-8 reads as U+007F.
        QTest::newRow("control characters") << FromCp932("\xff\xff\xff\xff\xff\xff\xff\xffgj");
        // fuzz_task_list: the same through a name in the file.
        QTest::newRow("name with control characters") << FromCp932("\xff\xe3#.SE#\r");
        // fuzz_praise: UTF-8 text mistaken for CP932 re-encodes to its UTF-8 bytes.
        QTest::newRow("UTF-8 read as CP932") << FromCp932(QStringLiteral("ほめる12").toUtf8() + "\xff");
        // The everyday case of the same fault: half-width katakana ﾈｺ is C8 BA in CP932,
        // which is UTF-8 for U+023A.
        QTest::newRow("half-width katakana") << QStringLiteral("ﾈｺ.jpg");
    }
    void writtenTextReadsBack()
    {
        QFETCH(QString, text);
        QCOMPARE(DecodeText(EncodeText(text)), text);

        std::vector<TaskEntry> entries = {{text, true}, {QStringLiteral("いぬ.jpg"), false}};
        auto back = ParseTaskList(FormatTaskList(entries));
        QVERIFY(back.has_value());
        QCOMPARE(back->size(), size_t(2));
        QCOMPARE((*back)[0].name, text);
        QCOMPARE((*back)[1].name, QStringLiteral("いぬ.jpg"));

        QCOMPARE(ParsePraiseTexts(EncodeText(u'"' + text + QStringLiteral("\"\r\n"))), QStringList{text});
    }

    // fuzz_praise: only a mark at the very start of a file is a byte-order mark; after a
    // quote it is part of the text (the fuzzer's own rewrite without quotes lost it,
    // which is why that rewrite now leaves such texts alone).
    void byteOrderMarkInsideATextIsKept()
    {
        const QString text = QChar(0xFEFF) + QStringLiteral("\x01\x01");
        QCOMPARE(ParsePraiseTexts("\"\xEF\xBB\xBF\x01\x01"), QStringList{text});
        QCOMPARE(ParsePraiseTexts("\xEF\xBB\xBF\"\xEF\xBB\xBF\x01\x01\""), QStringList{text});
        QCOMPARE(ParsePraiseTexts(EncodeText(u'"' + text + u'"')), QStringList{text});
    }

    // What the fault cost: the adult's choice of pictures was lost at every start when
    // the names were written in CP932 bytes that all together read as UTF-8.
    void choiceSurvivesARestartWithHalfWidthNames()
    {
        TestFolder folder;
        folder.AddPictures({"ﾈｺ.jpg", "cat.jpg", "dog.bmp"});
        CommandLineText = folder.Data();
        DataFolder = folder.Data() + "/";
        QVERIFY(LoadPictureList());
        LoadTaskList();
        QCOMPARE(TaskPictureCount, int16_t(3));

        TaskPictureCount = 2;
        TaskPictures[0] = QStringLiteral("ﾈｺ.jpg");
        TaskPictures[1] = QStringLiteral("dog.bmp");
        QVERIFY(SaveTaskList());
        const QByteArray saved = ReadBytes(folder.Data() + "/Fname.txt");

        LoadTaskList();
        QStringList chosen;
        for (int i = 0; i < TaskPictureCount; ++i) chosen << TaskPictures[i];
        chosen.sort();
        QCOMPARE(chosen, QStringList({QStringLiteral("dog.bmp"), QStringLiteral("ﾈｺ.jpg")}));
        QCOMPARE(ReadBytes(folder.Data() + "/Fname.txt"), saved);
    }
};

QTEST_MAIN(FuzzRegressions)
#include "test_fuzz_regressions.moc"
