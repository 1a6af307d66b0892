// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs the fuzzers under fuzz/ broke, kept as ordinary tests so the faults stay fixed.
#include "content/PictureFolder.h"
#include "content/PracticeRecord.h"
#include "content/PraiseLines.h"
#include "content/TaskListFile.h"
#include "support/FileRead.h"
#include "support/TextEncoding.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using namespace mokuri;

namespace {

QString fromCp932(const QByteArray& b) { return QStringDecoder("windows-932").decode(b); }

QByteArray utf16(const QList<char16_t>& units, bool bigEndian)
{
    QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (char16_t u : units) {
        const char hi = char(u >> 8), lo = char(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

} // namespace

class FuzzRegressions : public QObject {
    Q_OBJECT
private slots:
    // Bytes written as CP932 that are also valid UTF-8 were read back as UTF-8, so the
    // text came back as something else.
    void writtenTextReadsBack_data()
    {
        QTest::addColumn<QString>("text");
        // fuzz_encoding: CP932 reads an undefined byte as U+001A, which CP932 writes as
        // 0x7F, plain ASCII that UTF-8 reads as U+007F.
        QTest::newRow("control characters") << fromCp932("\xff\xff\xff\xff\xff\xff\xff\xffgj");
        // fuzz_task_list: the same through a name in the file.
        QTest::newRow("name with control characters") << fromCp932("\xff\xe3#.SE#\r");
        // fuzz_praise: UTF-8 text mistaken for CP932 re-encodes to its UTF-8 bytes.
        QTest::newRow("UTF-8 read as CP932") << fromCp932(QStringLiteral("ほめる12").toUtf8() + "\xff");
        // The everyday case of the same fault: half-width katakana ﾈｺ is C8 BA in CP932,
        // which is UTF-8 for U+023A.
        QTest::newRow("half-width katakana") << QStringLiteral("ﾈｺ.jpg");
    }
    void writtenTextReadsBack()
    {
        QFETCH(QString, text);
        QCOMPARE(decodeText(encodeText(text)), text);

        // The files are read line by line: a line end inside a text reads as the file's own
        // (CR LF), and Fname.txt cannot hold a name with one at all.
        if (text.contains(u'\r') || text.contains(u'\n')) return;
        QCOMPARE(parsePraiseLines(encodeText(u'"' + text + QStringLiteral("\"\r\n"))), QStringList{text});
        const std::vector<TaskEntry> entries = {{text, true}, {QStringLiteral("いぬ.jpg"), false}};
        const auto back = parseTaskList(formatTaskList(entries));
        QVERIFY(back.has_value());
        QCOMPARE(back->size(), size_t(2));
        QCOMPARE((*back)[0].name, text);
        QCOMPARE((*back)[1].name, QStringLiteral("いぬ.jpg"));
    }

    // fuzz_praise: only a mark at the very start of a file is a byte-order mark; after a
    // quote it is part of the text (the fuzzer's own rewrite without quotes lost it, which
    // is why that rewrite leaves such texts alone).
    void byteOrderMarkInsideATextIsKept()
    {
        const QString text = QChar(0xFEFF) + QStringLiteral("\x01\x01");
        QCOMPARE(parsePraiseLines("\"\xEF\xBB\xBF\x01\x01"), QStringList{text});
        QCOMPARE(parsePraiseLines("\xEF\xBB\xBF\"\xEF\xBB\xBF\x01\x01\""), QStringList{text});
        QCOMPARE(parsePraiseLines(encodeText(u'"' + text + u'"')), QStringList{text});
    }

    // What the fault cost: the adult's choice of pictures was lost at every start when the
    // names were written in CP932 bytes that all together read as UTF-8.
    void choiceSurvivesARestartWithHalfWidthNames()
    {
        QTemporaryDir dir;
        for (const QString& name : {QStringLiteral("ﾈｺ.jpg"), QStringLiteral("cat.jpg"), QStringLiteral("dog.bmp")}) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        Trace trace;
        const PictureFolder folder = loadPictureFolder(dir.path(), trace);
        QCOMPARE(folder.pictures.size(), 3);
        QCOMPARE(loadTaskList(folder, trace).size(), 3);

        const TaskList chosen{QStringLiteral("ﾈｺ.jpg"), QStringLiteral("dog.bmp")};
        QVERIFY(saveTaskList(folder, chosen, trace));
        const QByteArray saved = readFileBytes(folder.filePath(QStringLiteral("Fname.txt"))).bytes;

        TaskList again = loadTaskList(folder, trace);
        again.sort();
        QCOMPARE(again, TaskList({QStringLiteral("dog.bmp"), QStringLiteral("ﾈｺ.jpg")}));
        QCOMPARE(readFileBytes(folder.filePath(QStringLiteral("Fname.txt"))).bytes, saved);
    }

    // fuzz_task_list, fuzz_praise: a UTF-16 file with half a surrogate pair gave a name or a
    // praise text that no encoding can write, so it came back with a '?' in it. Every other
    // damaged sequence reads as U+FFFD.
    void damagedUtf16ReadsAsText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("lone high, LE") << utf16({u'"', 0xD83C, u'a', u'"'}, false);
        QTest::newRow("lone low, BE") << utf16({u'"', 0xDF4E, u'"'}, true);
        QTest::newRow("high at the end") << utf16({u'"', u'a', u'"', 0xD800}, false);
        QTest::newRow("fuzz_encoding") << QByteArray("\xFF\xFE\xDA\xDA", 4);
        // From fuzz_task_list: a name holding U+DA2F between other letters.
        QTest::newRow("fuzz_task_list") << utf16({u'"', 0x2FDA, 0xDA2F, 0x2F2F, u'"', u',', u'1'}, true);
    }
    void damagedUtf16ReadsAsText()
    {
        QFETCH(QByteArray, bytes);
        const QString text = decodeText(bytes);
        QVERIFY2(QStringView(text).isValidUtf16(), qPrintable(QString::number(text.size())));
        QVERIFY(text.contains(QChar(QChar::ReplacementCharacter)));
        for (const QString& praise : parsePraiseLines(bytes)) QCOMPARE(decodeText(encodeText(praise)), praise);
    }

    // fuzz_record: a line with a value in a column its event does not use (a spreadsheet's
    // doing) read differently once the game had written it again, and a negative time was
    // kept where the game writes "unknown".
    void recordLinesReadBackAfterARewrite_data()
    {
        QTest::addColumn<QByteArray>("line");
        const QByteArray start = "2026-12-01T09:00:00.000+09:00,s1,1,";
        QTest::newRow("question with a leaver") << start + "question,a.jpg,a,word,1,0,hiragana,click,,,,,,Esc";
        QTest::newRow("question with a letter") << start + "question,a.jpg,a,word,1,0,hiragana,click,x,y,1,,,";
        QTest::newRow("tile with restarts") << start + "tile,a.jpg,a,,,,,,あ,あ,1,900,4,";
        QTest::newRow("done with negative time") << start + "done,a.jpg,a,,,,,,,,,-5,0,";
        QTest::newRow("done with negative restarts") << start + "done,a.jpg,a,,,,,,,,,800,-2,";
        QTest::newRow("left with a letter") << start + "left,a.jpg,a,,,,,,い,,,,0,H";
    }
    void recordLinesReadBackAfterARewrite()
    {
        QFETCH(QByteArray, line);
        const std::vector<RecordLine> read = parseRecord(recordHeader() + line + ",\n");  // no access column
        QCOMPARE(read.size(), size_t(1));
        const std::vector<RecordLine> again = parseRecord(recordHeader() + formatRecordLine(read[0]));
        QCOMPARE(again.size(), size_t(1));
        QCOMPARE(formatRecordLine(again[0]), formatRecordLine(read[0]));
        QVERIFY(again[0] == read[0]);
        QVERIFY(read[0].restarts >= 0);
    }

    // Every leading byte-order mark is dropped (a file saved twice with one), but dropping
    // them one copy at a time held a copy of the rest for each: a Word.txt of marks within
    // the 4 MB read limit needed terabytes and the game was killed.
    void manyByteOrderMarksReadInLittleMemory()
    {
        if (kAddressSanitizer) QSKIP("the address sanitizer reserves more address space than the limit allows");
        // This program again, with 1 GB of address space, so that the fault fails this test
        // instead of taking the machine's memory.
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MOKURI_DECODE_MARKS"), QStringLiteral("1000000"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(-1));  // ctest's timeout ends a hang
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }
};

// With MOKURI_DECODE_MARKS=N: decodes N byte-order marks and an "x" in 1 GB of address
// space; exits 0 when that gives "x".
static int decodeMarks(int count)
{
    rlimit limit{1ul << 30, 1ul << 30};
    setrlimit(RLIMIT_AS, &limit);
    QByteArray bytes;
    bytes.reserve(3 * qsizetype(count) + 1);
    for (int i = 0; i < count; ++i) bytes += "\xEF\xBB\xBF";
    bytes += 'x';
    if (bytes.size() > kMaxTextFileBytes) return 2;
    return decodeText(bytes) == QStringLiteral("x") ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("MOKURI_DECODE_MARKS")) return decodeMarks(qEnvironmentVariableIntValue("MOKURI_DECODE_MARKS"));
    QCoreApplication app(argc, argv);
    FuzzRegressions test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_fuzz_regressions.moc"
