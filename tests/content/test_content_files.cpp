// SPDX-License-Identifier: GPL-3.0-or-later
// The three text files and the picture catalogue as values: bytes both ways, reconciliation
// with the catalogue, encodings, and saves that never destroy the old file.
#include "content/FieldReader.h"
#include "content/PictureFolder.h"
#include "content/PraiseLines.h"
#include "content/SettingsFile.h"
#include "content/TaskListFile.h"
#include "fakes/OtherAccount.h"
#include "support/FileRead.h"
#include "support/TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace mokuri;

Q_DECLARE_METATYPE(mokuri::Settings)

namespace {

QByteArray cp932(const QString& s) { return QStringEncoder("windows-932").encode(s); }

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path) { return readFileBytes(path).bytes; }

// A fresh folder that is the current one while a test runs (O.txt lives there), with a
// "data" subfolder for the pictures. Pictures are listed by name only, so any bytes do.
class Folder {
public:
    Folder() : oldCurrent_(QDir::currentPath())
    {
        QDir(dir_.path()).mkdir(QStringLiteral("data"));
        QDir::setCurrent(dir_.path());
    }
    ~Folder() { QDir::setCurrent(oldCurrent_); }
    QString data() const { return dir_.path() + QStringLiteral("/data"); }
    QString file(const QString& name) const { return data() + u'/' + name; }
    void addPictures(const QStringList& names) const
    {
        for (const QString& n : names) writeBytes(file(n), QByteArrayLiteral("not really a picture"));
    }
    PictureFolder pictureFolder(Trace& trace) const { return loadPictureFolder(data(), trace); }
    // Everything in data() that is not a picture or a content file: a save's leftovers.
    QStringList strayFiles() const
    {
        QStringList out = QDir(data()).entryList(QDir::Files | QDir::Hidden);
        out.removeIf([](const QString& n) {
            return n == QLatin1String("Word.txt") || n == QLatin1String("Fname.txt") || n.endsWith(QLatin1String(".jpg")) ||
                   n.endsWith(QLatin1String(".gif")) || n.endsWith(QLatin1String(".bmp"));
        });
        return out;
    }

private:
    QTemporaryDir dir_;
    QString oldCurrent_;
};

// A trace written to a file, read back as "event<TAB>fields" lines without the time.
class TraceFile {
public:
    TraceFile() : trace_(std::make_unique<Trace>(dir_.filePath(QStringLiteral("trace")))) {}
    Trace& trace() { return *trace_; }
    QStringList lines() const
    {
        QStringList out;
        for (const QByteArray& line : readBytes(dir_.filePath(QStringLiteral("trace"))).split('\n'))
            if (!line.isEmpty()) out << QString::fromUtf8(line.mid(line.indexOf('\t') + 1));
        return out;
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<Trace> trace_;
};

const QByteArray kDefaultSettingsLine = QByteArrayLiteral("#TRUE#,#TRUE#,0,0,#TRUE#,#FALSE#\r\n");

Settings settingsOf(Instruction instruction, bool model, int16_t count, int16_t kind, bool pointer, TakeTile take)
{
    return {instruction, model, DecoyCount(count), DecoyKind(kind), pointer, take};
}

} // namespace

class ContentFiles : public QObject {
    Q_OBJECT

private slots:
    void missingSettingsAreWrittenWithTheDefaults()
    {
        Folder folder;
        TraceFile t;
        QCOMPARE(loadSettings(folder.data(), t.trace()), Settings{});
        QCOMPARE(readBytes(folder.file(QStringLiteral("Word.txt"))), kDefaultSettingsLine);
        QCOMPARE(t.lines(), QStringList{QStringLiteral("save\t") + folder.file(QStringLiteral("Word.txt"))});
    }

    void settingsRead_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Settings>("expected");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("every value turned") << QByteArray("#FALSE#,#FALSE#,2,1,#FALSE#,#TRUE#\r\n")
                                            << settingsOf(Instruction::ReadThePicture, false, 2, 1, false, TakeTile::ByTouch)
                                            << QByteArray("#FALSE#,#FALSE#,2,1,#FALSE#,#TRUE#\r\n");
        // One value a line reads the same; text after the sixth is ignored; numbers that are
        // no decoy setting are kept as they are for the game's own rule.
        QTest::newRow("one a line, out of range") << QByteArray("#TRUE#\r\n#FALSE#\r\n5\r\n-3\r\n#TRUE#\r\n#TRUE#\r\nextra")
                                                  << settingsOf(Instruction::SayTheWord, false, 5, -3, true, TakeTile::ByTouch)
                                                  << QByteArray("#TRUE#,#FALSE#,5,-3,#TRUE#,#TRUE#\r\n");
        // A number stands for a truth value: anything but 0 is true.
        QTest::newRow("numbers as truth values") << QByteArray("0, 7 ,1,2,-1,0")
                                                 << settingsOf(Instruction::ReadThePicture, true, 1, 2, true, TakeTile::ByClick)
                                                 << QByteArray("#FALSE#,#TRUE#,1,2,#TRUE#,#FALSE#\r\n");
        QTest::newRow("UTF-8 with a mark, LF only") << QByteArray("\xEF\xBB\xBF#TRUE#,#TRUE#,1,0,#FALSE#,#FALSE#\n")
                                                    << settingsOf(Instruction::SayTheWord, true, 1, 0, false, TakeTile::ByClick)
                                                    << QByteArray("#TRUE#,#TRUE#,1,0,#FALSE#,#FALSE#\r\n");
    }
    void settingsRead()
    {
        QFETCH(QByteArray, content);
        QFETCH(Settings, expected);
        QFETCH(QByteArray, written);
        QCOMPARE(parseSettings(content), std::optional<Settings>(expected));
        QCOMPARE(formatSettings(expected), written);

        Folder folder;
        Trace trace;
        const QString path = folder.file(QStringLiteral("Word.txt"));
        writeBytes(path, content);
        QCOMPARE(loadSettings(folder.data(), trace), expected);
        QCOMPARE(readBytes(path), content);  // a good file is not rewritten when read
        QVERIFY(saveSettings(folder.data(), expected, trace));
        QCOMPARE(readBytes(path), written);
        QCOMPARE(loadSettings(folder.data(), trace), expected);
    }

    void damagedSettingsAreReplacedByTheDefaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("four fields") << QByteArray("#TRUE#,#TRUE#,0,0\r\n");
        QTest::newRow("garbage") << QByteArray("\x01\xff\xfe garbage,,,\r\n");
        QTest::newRow("word in a number") << QByteArray("#TRUE#,#TRUE#,two,0,#TRUE#,#FALSE#\r\n");
        QTest::newRow("beyond 16 bits") << QByteArray("#TRUE#,#TRUE#,99999,0,#TRUE#,#FALSE#\r\n");
        QTest::newRow("quoted truth value") << QByteArray("\"#TRUE#\",#TRUE#,0,0,#TRUE#,#FALSE#\r\n");
        QTest::newRow("empty field") << QByteArray("#TRUE#,,0,0,#TRUE#,#FALSE#\r\n");
    }
    void damagedSettingsAreReplacedByTheDefaults()
    {
        QFETCH(QByteArray, content);
        QVERIFY(!parseSettings(content));
        Folder folder;
        TraceFile t;
        writeBytes(folder.file(QStringLiteral("Word.txt")), content);
        QString notice;
        QCOMPARE(loadSettings(folder.data(), t.trace(), &notice), Settings{});
        QCOMPARE(readBytes(folder.file(QStringLiteral("Word.txt"))), kDefaultSettingsLine);
        // The adult's file is kept beside it, and the adult is told.
        QCOMPARE(readBytes(folder.file(QStringLiteral("Word.txt.damaged"))), content);
        QVERIFY(!notice.isEmpty());
        QVERIFY2(t.lines().first().startsWith(QStringLiteral("warning\t")), qPrintable(t.lines().join(u'|')));
    }

    void unreadableSettingsAreNotOverwritten()
    {
        // A folder where the file should be reads as unreadable, for root too.
        Folder folder;
        Trace trace;
        QVERIFY(QDir(folder.data()).mkdir(QStringLiteral("Word.txt")));
        QCOMPARE(loadSettings(folder.data(), trace), Settings{});
        QVERIFY(QFileInfo(folder.file(QStringLiteral("Word.txt"))).isDir());
        QCOMPARE(folder.strayFiles(), QStringList());
    }

    void saveIntoAReadOnlyFolderKeepsTheOldFile()
    {
        if (geteuid() == 0) QSKIP("root writes into read-only folders");
        Folder folder;
        Trace trace;
        const QByteArray old("#FALSE#,#TRUE#,1,0,#TRUE#,#FALSE#\r\n");
        writeBytes(folder.file(QStringLiteral("Word.txt")), old);
        // Read-only as a share or a CD is: a writable file in a folder that takes no new
        // file would be written in place.
        QFile::setPermissions(folder.file(QStringLiteral("Word.txt")), QFile::ReadOwner);
        QFile::setPermissions(folder.data(), QFile::ReadOwner | QFile::ExeOwner);
        const bool saved = saveSettings(folder.data(), Settings{}, trace);
        QFile::setPermissions(folder.data(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!saved);
        QCOMPARE(readBytes(folder.file(QStringLiteral("Word.txt"))), old);
    }

    void saveOverAFolderFailsAndLeavesNothing()
    {
        Folder folder;
        TraceFile t;
        QVERIFY(QDir(folder.data()).mkdir(QStringLiteral("Word.txt")));
        QVERIFY(!saveSettings(folder.data(), Settings{}, t.trace()));
        QVERIFY(QFileInfo(folder.file(QStringLiteral("Word.txt"))).isDir());
        QCOMPARE(folder.strayFiles(), QStringList());
        QVERIFY(t.lines().last().startsWith(QStringLiteral("warning\t")));
    }

    void fieldReader()
    {
        FieldReader r(QStringLiteral("  \"a,b\" junk, plain  ,#TRUE#\r\n\r\nlast\nx"));
        const Field quoted = r.next();
        QCOMPARE(quoted.text, QStringLiteral("a,b"));  // what follows the closing quote is dropped
        QVERIFY(quoted.quoted);
        QCOMPARE(r.next().text, QStringLiteral("plain"));
        QCOMPARE(parseBooleanField(r.next()), std::optional<bool>(true));
        QCOMPARE(r.next().text, QString());
        QCOMPARE(r.next().text, QStringLiteral("last"));
        QVERIFY(!r.atEnd());
        QCOMPARE(r.next().text, QStringLiteral("x"));
        QVERIFY(r.atEnd());
        QCOMPARE(r.next().text, QString());
    }

    void integerFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("quoted");
        QTest::addColumn<int>("value");  // -99999: no value
        QTest::newRow("true") << QStringLiteral("#TRUE#") << false << -1;
        QTest::newRow("false") << QStringLiteral("#FALSE#") << false << 0;
        QTest::newRow("signed") << QStringLiteral("-32768") << false << -32768;
        QTest::newRow("plus") << QStringLiteral("+32767") << false << 32767;
        QTest::newRow("too big") << QStringLiteral("32768") << false << -99999;
        QTest::newRow("sign alone") << QStringLiteral("-") << false << -99999;
        QTest::newRow("decimal point") << QStringLiteral("1.0") << false << -99999;
        QTest::newRow("lower case") << QStringLiteral("#true#") << false << -99999;
        QTest::newRow("quoted number") << QStringLiteral("1") << true << -99999;
        QTest::newRow("full-width digit") << QStringLiteral("１") << false << -99999;
    }
    void integerFields()
    {
        QFETCH(QString, text);
        QFETCH(bool, quoted);
        QFETCH(int, value);
        const auto v = parseIntegerField(Field{text, quoted});
        QCOMPARE(v.has_value(), value != -99999);
        if (v) QCOMPARE(int(*v), value);
    }

    void praiseLinesFromTheFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected");
        const QString text = QStringLiteral("すごいね\r\n\r\nじょうずだね\r\n\"かぎ,かっこ\"\r\nじょうず,すごい\r\na、b\r\n");
        const QStringList lines = {QStringLiteral("すごいね"), QStringLiteral("じょうずだね"), QStringLiteral("かぎ,かっこ"),
                                   QStringLiteral("じょうず"), QStringLiteral("すごい"), QStringLiteral("a、b")};
        QTest::newRow("CP932") << cp932(text) << lines;
        QTest::newRow("UTF-8") << text.toUtf8() << lines;
        QTest::newRow("UTF-8 with a mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << lines;
        QTest::newRow("empty") << QByteArray() << QStringList();
    }
    void praiseLinesFromTheFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        Folder folder;
        Trace trace;
        writeBytes(QStringLiteral("O.txt"), content);
        QCOMPARE(loadPraiseLines(trace), expected);
        QCOMPARE(readBytes(QStringLiteral("O.txt")), content);  // read, never rewritten
    }

    void missingPraiseIsWrittenInCp932()
    {
        Folder folder;
        Trace trace;
        QCOMPARE(loadPraiseLines(trace), QStringList{kDefaultPraise});
        const QByteArray bytes = readBytes(QStringLiteral("O.txt"));
        QCOMPARE(bytes, cp932(QStringLiteral("よくできました\r\n")));
        QCOMPARE(bytes.size(), 16);
        QCOMPARE(loadPraiseLines(trace), QStringList{kDefaultPraise});
    }

    void unreadablePraisePraisesWithTheDefault()
    {
        Folder folder;
        Trace trace;
        QVERIFY(QDir().mkdir(QStringLiteral("O.txt")));
        QCOMPARE(loadPraiseLines(trace), QStringList{kDefaultPraise});
        QVERIFY(QFileInfo(QStringLiteral("O.txt")).isDir());
    }

    void tooManyPraiseLinesKeepTheFirst()
    {
        QByteArray many;
        for (int i = 0; i < 30; ++i) many += "line" + QByteArray::number(i) + "\r\n";
        int ignored = -1;
        const QStringList lines = parsePraiseLines(many, &ignored);
        QCOMPARE(lines.size(), kMaxPraiseLines);
        QCOMPARE(lines.last(), QStringLiteral("line20"));
        QCOMPARE(ignored, 30 - kMaxPraiseLines);

        Folder folder;
        TraceFile t;
        writeBytes(QStringLiteral("O.txt"), many);
        QCOMPARE(loadPraiseLines(t.trace()), lines);
        QCOMPARE(t.lines(), QStringList{QStringLiteral("warning\tO.txt: 9 praise texts ignored")});
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QString s = QStringLiteral("\"りんご.jpg\",#TRUE#\r\n");
        QTest::newRow("UTF-8") << s.toUtf8();
        QTest::newRow("UTF-8 with a mark") << QByteArray("\xEF\xBB\xBF") + s.toUtf8();
        QTest::newRow("CP932") << cp932(s);
    }
    void encodings()
    {
        QFETCH(QByteArray, bytes);
        const QString s = QStringLiteral("\"りんご.jpg\",#TRUE#\r\n");
        QCOMPARE(decodeText(bytes), s);
        auto entries = parseTaskList(bytes);
        QVERIFY(entries);
        QCOMPARE(entries->size(), size_t(1));
        QCOMPARE(entries->front().name, QStringLiteral("りんご.jpg"));
    }

    void writtenEncoding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("asCp932");
        QTest::newRow("kana") << QStringLiteral("\"りんご.jpg\",#TRUE#\r\n") << true;
        QTest::newRow("ASCII") << QStringLiteral("cat.jpg") << true;
        // A name CP932 cannot hold is written as UTF-8 with a mark, never as '?'.
        QTest::newRow("hangul") << QStringLiteral("\"사과.jpg\",#TRUE#\r\n") << false;
        QTest::newRow("emoji") << QStringLiteral("🍎.jpg") << false;
        // Half-width ﾈｺ is C8 BA in CP932, which is valid UTF-8 and would read back as Ⱥ.
        QTest::newRow("half-width katakana") << QStringLiteral("ﾈｺ.jpg") << false;
    }
    void writtenEncoding()
    {
        QFETCH(QString, text);
        QFETCH(bool, asCp932);
        const QByteArray out = encodeText(text);
        if (asCp932) QCOMPARE(out, cp932(text));
        else QVERIFY(out.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(decodeText(out), text);
    }

    void pictureListingOrderAndFilter()
    {
        Folder folder;
        folder.addPictures({QStringLiteral("b.JPG"), QStringLiteral("A.gif"), QStringLiteral("a.bmp"), QStringLiteral("c.jpeg"),
                            QStringLiteral("d.png"), QStringLiteral(".hidden.jpg"), QStringLiteral("ねこ.gif"),
                            QStringLiteral("いぬ.jpg"), QStringLiteral("B.jpg"), QStringLiteral("jpg")});
        QVERIFY(QDir(folder.data()).mkdir(QStringLiteral("sub.jpg")));
        const FolderListing l = listPictureFolder(folder.data());
        QVERIFY(l.folderOk);
        // Letter case ignored, exact comparison breaking ties: the same order at every start.
        QCOMPARE(l.names, QStringList({QStringLiteral("a.bmp"), QStringLiteral("A.gif"), QStringLiteral("B.jpg"),
                                       QStringLiteral("b.JPG"), QStringLiteral("いぬ.jpg"), QStringLiteral("ねこ.gif")}));
        QVERIFY(!listPictureFolder(folder.data() + QStringLiteral("/nothere")).folderOk);
        QVERIFY(!listPictureFolder(folder.file(QStringLiteral("a.bmp"))).folderOk);

        // An empty folder name is the current folder.
        QDir::setCurrent(folder.data());
        QCOMPARE(listPictureFolder(QString()).names, l.names);
        QCOMPARE(fileInFolder(QString(), QStringLiteral("Word.txt")), QStringLiteral("Word.txt"));
        QCOMPARE(fileInFolder(QStringLiteral("my pictures"), QStringLiteral("Word.txt")), QStringLiteral("my pictures/Word.txt"));
    }

    // A picture this account may not read stays in the catalogue: the names after it keep
    // their places, and with them the adult's choice in Fname.txt. Pictures of other kinds
    // are only counted, for the message of a folder without pictures.
    void anUnreadablePictureKeepsItsPlace()
    {
        Folder folder;
        const QStringList names{QStringLiteral("あり.jpg"), QStringLiteral("いぬ.jpg"), QStringLiteral("うし.jpg")};
        folder.addPictures(names + QStringList{QStringLiteral("え.png"), QStringLiteral("お.JPEG")});
        QCOMPARE(::chmod(QFile::encodeName(folder.file(names[1])).constData(), 0), 0);
        for (const QString& d : {folder.data(), QFileInfo(folder.data()).path()})  // for the other account
            QCOMPARE(::chmod(QFile::encodeName(d).constData(), 0755), 0);
        const QString data = folder.data();
        QVERIFY(mokuri::test::asAnotherAccount([&] { return listPictureFolder(data).names == names; }));
        QCOMPARE(listPictureFolder(data).otherPictures, 2);
    }

    void moreThanMaxPicturesKeepsTheFirst()
    {
        Folder folder;
        QStringList names;
        for (int i = 104; i >= 0; --i) names << QStringLiteral("p%1.bmp").arg(i, 3, 10, QLatin1Char('0'));
        folder.addPictures(names);
        TraceFile t;
        const PictureFolder pf = folder.pictureFolder(t.trace());
        QCOMPARE(pf.pictures.size(), kMaxPictures);
        QCOMPARE(pf.pictures.first(), QStringLiteral("p000.bmp"));
        QCOMPARE(pf.pictures.last(), QStringLiteral("p100.bmp"));
        QCOMPARE(pf.path, folder.data());
        QCOMPARE(t.lines(), QStringList{QStringLiteral("warning\t4 pictures left out")});
    }

    void missingTaskListSelectsEveryPicture()
    {
        Folder folder;
        folder.addPictures({QStringLiteral("いぬ.jpg"), QStringLiteral("ねこ.gif"), QStringLiteral("とり.bmp")});
        Trace trace;
        const PictureFolder pf = folder.pictureFolder(trace);
        QCOMPARE(loadTaskList(pf, trace), pf.pictures);
        QCOMPARE(readBytes(folder.file(QStringLiteral("Fname.txt"))),
                 cp932(QStringLiteral("\"いぬ.jpg\",#TRUE#\r\n\"とり.bmp\",#TRUE#\r\n\"ねこ.gif\",#TRUE#\r\n")));
    }

    void taskListThatMatchesIsKept_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("tasks");
        QTest::addColumn<bool>("adultTold");
        QTest::newRow("a choice") << cp932(QStringLiteral("\"いぬ.jpg\",#TRUE#\r\n\"とり.bmp\",#FALSE#\r\n\"ねこ.gif\",#TRUE#\r\n"))
                                  << QStringList{QStringLiteral("いぬ.jpg"), QStringLiteral("ねこ.gif")} << false;
        // The pictures after a shorter file are simply not tasks.
        QTest::newRow("shorter") << cp932(QStringLiteral("\"いぬ.jpg\",#TRUE#\r\n")) << QStringList{QStringLiteral("いぬ.jpg")}
                                 << false;
        QTest::newRow("UTF-8, numbers, no last line end")
            << QStringLiteral("\"いぬ.jpg\",0\n\"とり.bmp\",-1").toUtf8() << QStringList{QStringLiteral("とり.bmp")} << false;
        // Nothing selected: every picture plays, and the adult's file stays as it is.
        QTest::newRow("nothing selected")
            << cp932(QStringLiteral("\"いぬ.jpg\",#FALSE#\r\n\"とり.bmp\",#FALSE#\r\n\"ねこ.gif\",#FALSE#\r\n"))
            << QStringList{QStringLiteral("いぬ.jpg"), QStringLiteral("とり.bmp"), QStringLiteral("ねこ.gif")} << true;
    }
    void taskListThatMatchesIsKept()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, tasks);
        QFETCH(bool, adultTold);
        Folder folder;
        folder.addPictures({QStringLiteral("いぬ.jpg"), QStringLiteral("ねこ.gif"), QStringLiteral("とり.bmp")});
        Trace trace;
        const QString fname = folder.file(QStringLiteral("Fname.txt"));
        writeBytes(fname, content);
        QString notice;
        QCOMPARE(loadTaskList(folder.pictureFolder(trace), trace, &notice), tasks);
        QCOMPARE(readBytes(fname), content);
        QCOMPARE(!notice.isEmpty(), adultTold);
    }

    void taskListThatDoesNotMatchIsReset_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("letter case") << cp932(QStringLiteral("\"いぬ.JPG\",#TRUE#\r\n"));
        QTest::newRow("another order") << cp932(QStringLiteral("\"ねこ.gif\",#TRUE#\r\n"));
        QTest::newRow("a picture gone") << cp932(
            QStringLiteral("\"いぬ.jpg\",#TRUE#\r\n\"とり.bmp\",#TRUE#\r\n\"ねこ.gif\",#TRUE#\r\n\"x.jpg\",#FALSE#\r\n"));
        QTest::newRow("cut in a name") << cp932(QStringLiteral("\"いぬ.jpg\",#TRUE#\r\n\"とり.b"));
        QTest::newRow("cut after a name") << cp932(QStringLiteral("\"いぬ.jpg\",#TRUE#\r\n\"とり.bmp\""));
        QTest::newRow("not a truth value") << cp932(QStringLiteral("\"いぬ.jpg\",yes\r\n"));
        QTest::newRow("name without quotes") << cp932(QStringLiteral("いぬ.jpg,#TRUE#\r\n"));
        QTest::newRow("garbage") << QByteArray("\xff\xfe\x00garbage", 10);
    }
    void taskListThatDoesNotMatchIsReset()
    {
        QFETCH(QByteArray, content);
        Folder folder;
        folder.addPictures({QStringLiteral("いぬ.jpg"), QStringLiteral("ねこ.gif"), QStringLiteral("とり.bmp")});
        TraceFile t;
        const PictureFolder pf = folder.pictureFolder(t.trace());
        const QString fname = folder.file(QStringLiteral("Fname.txt"));
        writeBytes(fname, content);
        QCOMPARE(loadTaskList(pf, t.trace()), pf.pictures);
        QCOMPARE(readBytes(fname), cp932(QStringLiteral("\"いぬ.jpg\",#TRUE#\r\n\"とり.bmp\",#TRUE#\r\n\"ねこ.gif\",#TRUE#\r\n")));
        QVERIFY2(t.lines().first().startsWith(QStringLiteral("warning\t")), qPrintable(t.lines().join(u'|')));
    }

    void unreadableTaskListPlaysEveryPictureAndIsNotOverwritten()
    {
        Folder folder;
        folder.addPictures({QStringLiteral("いぬ.jpg"), QStringLiteral("ねこ.gif")});
        Trace trace;
        QVERIFY(QDir(folder.data()).mkdir(QStringLiteral("Fname.txt")));
        const PictureFolder pf = folder.pictureFolder(trace);
        QCOMPARE(loadTaskList(pf, trace), pf.pictures);
        QVERIFY(QFileInfo(folder.file(QStringLiteral("Fname.txt"))).isDir());
    }

    void savedChoiceSurvivesARestart_data()
    {
        QTest::addColumn<QStringList>("pictures");
        QTest::addColumn<QStringList>("chosen");
        QTest::newRow("kana") << QStringList{QStringLiteral("いぬ.jpg"), QStringLiteral("ねこ.gif"), QStringLiteral("とり.bmp")}
                              << QStringList{QStringLiteral("ねこ.gif")};
        // Names CP932 cannot hold: the file is written so that the next start keeps the choice.
        QTest::newRow("hangul") << QStringList{QStringLiteral("사과.jpg"), QStringLiteral("いぬ.jpg")}
                                << QStringList{QStringLiteral("사과.jpg")};
        QTest::newRow("blanks and commas") << QStringList{QStringLiteral("my cat, 2.jpg"), QStringLiteral("x.bmp")}
                                           << QStringList{QStringLiteral("my cat, 2.jpg")};
    }
    void savedChoiceSurvivesARestart()
    {
        QFETCH(QStringList, pictures);
        QFETCH(QStringList, chosen);
        Folder folder;
        folder.addPictures(pictures);
        Trace trace;
        const PictureFolder pf = folder.pictureFolder(trace);
        QCOMPARE(loadTaskList(pf, trace).size(), pictures.size());
        QVERIFY(saveTaskList(pf, chosen, trace));
        const QByteArray saved = readBytes(folder.file(QStringLiteral("Fname.txt")));
        const auto entries = parseTaskList(saved);
        QVERIFY(entries);
        QCOMPARE(qsizetype(entries->size()), pf.pictures.size());  // the whole catalogue, ticked or not
        for (size_t i = 0; i < entries->size(); ++i) {
            QCOMPARE((*entries)[i].name, pf.pictures[qsizetype(i)]);
            QCOMPARE((*entries)[i].selected, chosen.contains((*entries)[i].name));
        }
        QCOMPARE(loadTaskList(folder.pictureFolder(trace), trace), chosen);
        QCOMPARE(readBytes(folder.file(QStringLiteral("Fname.txt"))), saved);
    }
};

QTEST_GUILESS_MAIN(ContentFiles)
#include "test_content_files.moc"
