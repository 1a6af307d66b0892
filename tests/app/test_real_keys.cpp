// SPDX-License-Identifier: GPL-3.0-or-later
// The real program ends with status 0 on Esc, also after a dialog was opened and left, and
// Esc in a dialog does not end it. Keys and clicks reach it through Qt's VNC platform: the
// test speaks just enough of the RFB protocol to type and click, and follows the game by
// its trace.
#include "fakes/StalledShare.h"
#include "fakes/TestFolder.h"
#include "game/TileGeometry.h"
#include "fakes/ToneWav.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace mokuri::test;
using namespace Qt::StringLiterals;

namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(port));
    return a;
}

int freePort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

bool readExactly(int fd, char* buf, size_t n)
{
    while (n > 0) {
        ssize_t r = ::recv(fd, buf, n, 0);
        if (r <= 0) return false;
        buf += r;
        n -= size_t(r);
    }
    return true;
}

bool sendAll(int fd, const QByteArray& bytes)
{
    return ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
}

// A VNC viewer that only types and clicks.
class Viewer {
public:
    ~Viewer()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    // Connects and goes through the handshake (protocol 3.3, no authentication). The
    // server is up before the game asks its first question, so one attempt is enough.
    bool connectTo(int port)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = loopback(port);
        return ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && handshake();
    }
    bool key(uint32_t keysym) { return sendKey(keysym, true) && sendKey(keysym, false); }
    bool click(QPoint p) { return sendPointer(p, 0) && sendPointer(p, 1) && sendPointer(p, 0); }
    bool moveTo(QPoint p) { return sendPointer(p, 0); }

private:
    bool handshake()
    {
        char version[12];
        if (!readExactly(fd_, version, 12) || QByteArray(version, 3) != "RFB") return false;
        if (!sendAll(fd_, "RFB 003.003\n")) return false;
        char security[4];
        if (!readExactly(fd_, security, 4) || security[3] != 1) return false;  // 1: none
        if (!sendAll(fd_, QByteArray(1, '\1'))) return false;                   // shared
        char init[24];
        if (!readExactly(fd_, init, 24)) return false;
        const uint32_t nameLength = qFromBigEndian<quint32>(init + 20);
        QByteArray name(int(nameLength), '\0');
        return readExactly(fd_, name.data(), nameLength);
    }
    bool sendKey(uint32_t keysym, bool down)
    {
        char m[8] = {4, char(down)};  // KeyEvent
        qToBigEndian(quint32(keysym), m + 4);
        return sendAll(fd_, QByteArray(m, sizeof m));
    }
    bool sendPointer(QPoint p, int buttons)
    {
        char m[6] = {5, char(buttons)};  // PointerEvent
        qToBigEndian(quint16(p.x()), m + 2);
        qToBigEndian(quint16(p.y()), m + 4);
        return sendAll(fd_, QByteArray(m, sizeof m));
    }
    int fd_ = -1;
};

constexpr uint32_t kEscape = 0xff1b;
// Only a limit for waiting on the game; nothing is timed.
constexpr int kWait = 60000;

// "event field" for each line of the trace.
QStringList events(const QString& trace)
{
    QStringList out;
    for (const QByteArray& line : readBytes(trace).split('\n')) {
        const QList<QByteArray> f = line.split('\t');
        if (f.size() >= 2) out << QString::fromUtf8(f[1] + (f.size() > 2 ? " " + f[2] : QByteArray()));
    }
    return out;
}

qsizetype questions(const QString& trace)
{
    return events(trace).filter(QRegularExpression(QStringLiteral("^question"))).size();
}

// The centre of tile `tile` on the 1024 x 768 screen of 15 twips a pixel, from the
// question's trace line (its word and the slots of its tiles).
QPoint tileCentre(const QString& questionLine, int tile)
{
    QString word;
    QList<int> places;
    for (const QString& field : questionLine.split(QLatin1Char('\t'))) {
        if (field.startsWith(QLatin1String("word="))) word = field.mid(5);
        if (field.startsWith(QLatin1String("slots=")))
            for (const QString& n : field.mid(6).split(QLatin1Char(','))) places << n.toInt();
    }
    const float W = 1024 * 15, H = 768 * 15;
    const int lastSlot = int(places.size()) - 1;
    const int16_t size = mokuri::tileSizeFor(W, lastSlot);
    const mokuri::TwipRect row = mokuri::modelRowRect(W, H, int(word.size()), size);
    const float left = mokuri::tileLeft(places.value(tile), size, lastSlot);
    const float top = mokuri::tileTop(H, row.top);
    return QPoint(int((left + size / 2.0f) / 15), int((top + size / 2.0f) / 15));
}

// The value of a "name=value" field of a trace line.
QString fieldOf(const QString& line, const QString& name)
{
    for (const QString& field : line.split(QLatin1Char('\t')))
        if (field.startsWith(name)) return field.mid(name.size());
    return {};
}

// The trace lines as they are, with their fields, without the time.
QStringList traceLines(const QString& trace)
{
    QStringList out;
    for (const QByteArray& line : readBytes(trace).split('\n'))
        if (const qsizetype tab = line.indexOf('\t'); tab >= 0) out << QString::fromUtf8(line.mid(tab + 1));
    return out;
}

// The real game on Qt's VNC platform, killed when the test ends however it ends.
struct VncGame {
    QProcess process;
    ~VncGame()
    {
        if (process.state() == QProcess::NotRunning) return;
        process.kill();
        process.waitForFinished(kWait);
    }
    // `keepErrors`: its standard error is kept for the test rather than shown.
    void start(const QString& folder, const QString& workingFolder, const QString& trace, int port, bool keepErrors)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // 96 dots per inch: 15 twips a pixel, so the dialogs' buttons are where the test clicks.
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("vnc:size=1024x768:mmsize=270.93x203.2:port=%1").arg(port));
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        env.insert(QStringLiteral("MOKURI_TRACE"), trace);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(workingFolder);
        if (!keepErrors) process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(qEnvironmentVariable("MOKURI_BIN"), {folder});
    }
    bool running() const { return process.state() == QProcess::Running; }
    // Starts the game on the folder's pictures and sounds, connects `viewer` and waits until
    // the first instruction has been heard: its question's trace line, empty on failure.
    QString startListening(const TestFolder& folder, const QString& trace, Viewer& viewer)
    {
        const int port = freePort();
        start(folder.data(), folder.path(), trace, port, false);
        if (!process.waitForStarted(kWait) ||
            !QTest::qWaitFor([&] { return events(trace).contains(QStringLiteral("speech-ended")) || !running(); }, kWait) ||
            !running() || !viewer.connectTo(port))
            return {};
        return traceLines(trace).filter(QRegularExpression(QStringLiteral("^question"))).value(0);
    }
};

} // namespace

class RealKeys : public QObject {
    Q_OBJECT
private slots:
    void escapeEndsTheProgramWithZero_data()
    {
        QTest::addColumn<uint32_t>("dialogKey");  // 0: none opened
        QTest::addColumn<QString>("keyLine");
        QTest::addColumn<QSize>("dialogSize");
        QTest::addColumn<QPoint>("cancelCentre");  // in the dialog
        QTest::newRow("playing") << uint32_t(0) << QString() << QSize() << QPoint();
        // 15 twips a pixel: "キャンセル" at (360, 4200) twips, 65 x 25 px.
        QTest::newRow("after the settings dialog") << uint32_t('h') << QStringLiteral("key 72") << QSize(361, 353)
                                                   << QPoint(24 + 32, 280 + 12);
        // "キャンセル" at (720, 3120) twips, 73 x 25 px.
        QTest::newRow("after the picture choice") << uint32_t('n') << QStringLiteral("key 78") << QSize(399, 394)
                                                  << QPoint(48 + 36, 208 + 12);
    }
    void escapeEndsTheProgramWithZero()
    {
        QFETCH(uint32_t, dialogKey);
        QFETCH(QString, keyLine);
        QFETCH(QSize, dialogSize);
        QFETCH(QPoint, cancelCentre);
        const QString bin = qEnvironmentVariable("MOKURI_BIN");
        QVERIFY2(!bin.isEmpty() && QFileInfo::exists(bin), "MOKURI_BIN names no built game");
        TestFolder folder;
        folder.addPictures({QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"), QStringLiteral("とり.bmp"),
                            QStringLiteral("うし.bmp")});
        const QString trace = folder.path() + QStringLiteral("/trace.txt");
        const int port = freePort();
        QVERIFY(port > 0);

        VncGame vnc;
        vnc.start(folder.data(), folder.path(), trace, port, false);
        QProcess& game = vnc.process;
        QVERIFY(game.waitForStarted(kWait));
        const auto running = [&vnc] { return vnc.running(); };

        // Playing: the first question has been set up.
        QVERIFY(QTest::qWaitFor([&] { return questions(trace) > 0 || !running(); }, kWait));
        QVERIFY(running());
        Viewer viewer;
        QVERIFY(viewer.connectTo(port));
        if (dialogKey) {
            QVERIFY(viewer.key(dialogKey));
            QVERIFY(QTest::qWaitFor([&] { return events(trace).contains(keyLine) || !running(); }, kWait));
            // The dialog has been asked to take the keyboard before the game read the key
            // above, so it has it when Esc arrives; Esc is no key of a dialog. Had Esc
            // ended the game, the click on "キャンセル" would bring no new question.
            const qsizetype before = questions(trace);
            QVERIFY(viewer.key(kEscape));
            const QPoint dialogTopLeft((1024 - dialogSize.width()) / 2, (768 - dialogSize.height()) / 2);
            QVERIFY(viewer.click(dialogTopLeft + cancelCentre));
            QVERIFY(QTest::qWaitFor([&] { return questions(trace) > before || !running(); }, kWait));
            QVERIFY2(running(), "Esc in the dialog ended the game");
            QVERIFY(!events(trace).contains(QStringLiteral("key 27")));
        }
        QVERIFY(viewer.key(kEscape));
        QVERIFY(game.waitForFinished(kWait));
        QCOMPARE(game.exitStatus(), QProcess::NormalExit);
        QCOMPARE(game.exitCode(), 0);
        QVERIFY(events(trace).contains(QStringLiteral("key 27")));
    }

    // What the child does while a letter sounds reaches the game through the window
    // system's queue and is handled when the letter has been heard: the verdict first, then
    // the touch, which the click sound of a right tile drops and which goes through when
    // there is no click file.
    void aClickDuringALetterIsHandledAfterIt_data()
    {
        QTest::addColumn<bool>("clickFile");
        QTest::newRow("click sound heard: dropped") << true;
        QTest::newRow("no click file: taken") << false;
    }
    void aClickDuringALetterIsHandledAfterIt()
    {
        QFETCH(bool, clickFile);
        TestFolder folder;
        folder.addPictures({QStringLiteral("いぬ.bmp"), QStringLiteral("いぬ.gif"), QStringLiteral("いぬ.jpg"),
                            QStringLiteral("いぬ2.bmp")});
        writeBytes(folder.data() + QStringLiteral("/Word.txt"), "#TRUE#,#TRUE#,0,0,#TRUE#,#FALSE#\r\n");
        // Long enough that the second click surely comes while the letter sounds.
        writeBytes(folder.path() + QStringLiteral("/い.wav"), toneWav(6.0, 22050, 1, 16));
        writeBytes(folder.path() + QStringLiteral("/ぬ.wav"), toneWav(0.2, 22050, 1, 16));
        if (clickFile) writeBytes(folder.path() + QStringLiteral("/ガチャ.wav"), toneWav(2.0, 22050, 1, 16));
        const QString trace = folder.path() + QStringLiteral("/trace.txt");
        VncGame vnc;
        Viewer viewer;
        const QString question = vnc.startListening(folder, trace, viewer);
        QVERIFY(!question.isEmpty());
        QVERIFY(viewer.click(tileCentre(question, 0)));
        QVERIFY(QTest::qWaitFor([&] { return events(trace).contains(QStringLiteral("sound い.wav")); }, kWait));
        QVERIFY(viewer.click(tileCentre(question, 1)));
        const QString after = clickFile ? QStringLiteral("sound ガチャ.wav") : QStringLiteral("sound ぬ.wav");
        QVERIFY(QTest::qWaitFor([&] { return events(trace).contains(after); }, kWait));
        // The kept click is handled in the same step as the verdict, so Esc sent now comes
        // after it: whatever that click did is in the trace before "key 27".
        QVERIFY(viewer.key(kEscape));
        QVERIFY(vnc.process.waitForFinished(kWait));
        QCOMPARE(vnc.process.exitCode(), 0);
        QStringList seen = events(trace);
        seen = seen.mid(seen.indexOf(QStringLiteral("sound い.wav")));
        const QStringList expected = clickFile
            ? QStringList{u"sound い.wav"_s, u"right い"_s, u"sound ガチャ.wav"_s, u"key 27"_s}
            : QStringList{u"sound い.wav"_s, u"right い"_s, u"sound ガチャ.wav"_s, u"missing ガチャ.wav"_s, u"sound ぬ.wav"_s};
        QCOMPARE(seen.mid(0, expected.size()), expected);
    }

    // Esc and H act at once in the middle of a long letter: the letter's verdict never
    // comes, and nothing waits for the sound's end.
    void adultKeysActDuringALongLetter_data()
    {
        QTest::addColumn<uint32_t>("key");
        QTest::addColumn<QString>("keyLine");
        QTest::newRow("Esc") << kEscape << QStringLiteral("key 27");
        QTest::newRow("H") << uint32_t('h') << QStringLiteral("key 72");
    }
    void adultKeysActDuringALongLetter()
    {
        QFETCH(uint32_t, key);
        QFETCH(QString, keyLine);
        TestFolder folder;
        folder.addPictures({QStringLiteral("い.bmp"), QStringLiteral("い.gif"), QStringLiteral("い.jpg"),
                            QStringLiteral("い2.bmp")});
        // Longer than any wait here: the test fails if the game waits for it.
        writeBytes(folder.path() + QStringLiteral("/い.wav"), toneWav(10.0, 8000, 1, 8));
        const QString trace = folder.path() + QStringLiteral("/trace.txt");
        VncGame vnc;
        Viewer viewer;
        const QString question = vnc.startListening(folder, trace, viewer);
        QVERIFY(!question.isEmpty());
        QVERIFY(viewer.click(tileCentre(question, 0)));
        QVERIFY(QTest::qWaitFor([&] { return events(trace).contains(QStringLiteral("sound い.wav")); }, kWait));
        QVERIFY(viewer.key(key));
        QVERIFY(QTest::qWaitFor([&] { return events(trace).contains(keyLine); }, kWait));
        // Event order, not time: had the key waited behind the sound, the verdict would be first.
        const QStringList seen = events(trace);
        QVERIFY2(!seen.contains(QStringLiteral("right い")), qPrintable(seen.join(u'|')));
        if (key == kEscape) {
            QVERIFY(vnc.process.waitForFinished(kWait));
            QCOMPARE(vnc.process.exitCode(), 0);
        }
    }

    // The folder is on a share that stopped answering while the game read its settings:
    // the waiting screen is up, and Esc still ends the program at once, with 0.
    void escapeEndsTheProgramWhileItsFolderHangs()
    {
        const QString bin = qEnvironmentVariable("MOKURI_BIN");
        QVERIFY2(!bin.isEmpty() && QFileInfo::exists(bin), "MOKURI_BIN names no built game");
        TestFolder folder;
        folder.addPictures({QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"), QStringLiteral("とり.bmp"),
                            QStringLiteral("うし.bmp")});
        StalledShare share;
        if (!share.start(folder.path())) QSKIP(qPrintable(share.why()));
        share.stall(QStringLiteral("Word.txt"));
        const QString trace = folder.path() + QStringLiteral("/trace.txt");
        const int port = freePort();
        QVERIFY(port > 0);

        VncGame vnc;
        vnc.start(share.path() + QStringLiteral("/data"), folder.path(), trace, port, true);
        QProcess& game = vnc.process;
        QVERIFY(game.waitForStarted(kWait));
        const auto running = [&vnc] { return vnc.running(); };
        QVERIFY(QTest::qWaitFor([&] { return events(trace).filter(QStringLiteral("waiting")).size() > 0 || !running(); }, kWait));
        QVERIFY2(running(), game.readAllStandardError().constData());
        QVERIFY(share.waitUntilHeld(QStringLiteral("Word.txt")));
        Viewer viewer;
        QVERIFY(viewer.connectTo(port));
        QVERIFY(viewer.key(kEscape));
        // The share still hangs: the game may not wait for it on its way out.
        QVERIFY(game.waitForFinished(kWait));
        QCOMPARE(game.exitStatus(), QProcess::NormalExit);
        QCOMPARE(game.exitCode(), 0);
        QVERIFY(events(trace).contains(QStringLiteral("key 27")));
        QVERIFY(game.readAllStandardError().contains("ended by Esc while waiting for the folder"));
        QVERIFY(!share.stalledNames().isEmpty());
    }

    // The share stops answering in the middle of a question: Esc still ends the game, and
    // the record line it could not write is named, not waited for. (The kernel lets the
    // process go only once the share answers about the record file the game has open, as
    // it does for a network share; the game's status is 0 then.)
    void escapeEndsTheProgramWhenItsFolderStopsAnswering()
    {
        TestFolder folder;
        folder.addPictures({QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"), QStringLiteral("とり.bmp"),
                            QStringLiteral("うし.bmp")});
        StalledShare share;
        if (!share.start(folder.path())) QSKIP(qPrintable(share.why()));
        const QString trace = folder.path() + QStringLiteral("/trace.txt");
        const int port = freePort();
        QVERIFY(port > 0);
        VncGame vnc;
        vnc.start(share.path() + QStringLiteral("/data"), folder.path(), trace, port, true);
        QVERIFY(vnc.process.waitForStarted(kWait));
        QVERIFY(QTest::qWaitFor([&] { return questions(trace) > 0 || !vnc.running(); }, kWait));
        QVERIFY2(vnc.running(), vnc.process.readAllStandardError().constData());
        Viewer viewer;
        QVERIFY(viewer.connectTo(port));

        share.stall(QStringLiteral("*"));
        QVERIFY(viewer.key(kEscape));
        QByteArray errors;
        QVERIFY2(QTest::qWaitFor([&] {
            errors += vnc.process.readAllStandardError();
            return errors.contains("was not written") || !vnc.running();
        }, kWait), errors.constData());
        QVERIFY2(errors.contains("the practice record of"), errors.constData());
        QVERIFY(events(trace).contains(QStringLiteral("key 27")));
        QVERIFY(share.waitUntilHeld());
        share.releaseAll();
        QVERIFY(vnc.process.waitForFinished(kWait));
        QCOMPARE(vnc.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(vnc.process.exitCode(), 0);
    }

    // A child builds a word without a click. With one switch, Space is sent when the trace
    // says the frame is on the tile with the next letter; the frame stays five seconds on
    // each tile, far longer than a key takes to arrive. With an eye-gaze pointer, the
    // pointer is parked on each tile in turn and the game takes it once it has rested there.
    void aWordBuiltWithoutAClick_data()
    {
        QTest::addColumn<QByteArray>("access");
        QTest::addColumn<QString>("taken");  // the trace's event for each tile taken
        QTest::newRow("one switch") << QByteArray("method=one-switch\nscan-interval-ms=5000\n") << u"press 1"_s;
        QTest::newRow("dwell") << QByteArray("dwell-ms=400\n") << u"dwell "_s;
    }
    void aWordBuiltWithoutAClick()
    {
        QFETCH(QByteArray, access);
        QFETCH(QString, taken);
        const bool dwell = taken.startsWith(u"dwell"_s);
        TestFolder folder;
        folder.addPictures({QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"), QStringLiteral("とり.bmp"),
                            QStringLiteral("うし.bmp")});
        if (dwell) writeBytes(folder.data() + QStringLiteral("/Word.txt"), "#TRUE#,#TRUE#,0,0,#TRUE#,#TRUE#\r\n");
        writeBytes(folder.data() + QStringLiteral("/mokuri-access.ini"), access);
        const QString trace = folder.path() + QStringLiteral("/trace.txt");
        VncGame vnc;
        Viewer viewer;
        const QString question = vnc.startListening(folder, trace, viewer);
        QVERIFY(!question.isEmpty());
        const QString word = fieldOf(question, u"word="_s), tiles = fieldOf(question, u"tiles="_s);
        if (!dwell) QCOMPARE(tiles.size(), word.size());
        const auto framed = [&trace] {
            const QStringList moves = events(trace).filter(QRegularExpression(QStringLiteral("^highlight ")));
            return moves.isEmpty() ? -1 : moves.last().mid(10).toInt();
        };
        const auto wrongs = [&trace] { return events(trace).filter(QRegularExpression(QStringLiteral("^wrong"))); };
        QString left = tiles;
        for (qsizetype k = 0; k < word.size(); ++k) {
            const QString right = QStringLiteral("right ") + word[k];
            if (dwell) {
                const qsizetype tile = left.indexOf(word[k]);
                QVERIFY(tile >= 0);
                left[tile] = u' ';
                QVERIFY(viewer.moveTo(tileCentre(question, int(tile))));
            } else {
                QVERIFY(QTest::qWaitFor([&] {
                    const int tile = framed();
                    return tile >= 0 && tiles[tile] == word[k];
                }, kWait));
                QVERIFY(viewer.key(' '));
            }
            // The verdict, right or wrong; a wrong one fails below with the trace to see why.
            QVERIFY(QTest::qWaitFor([&] { return events(trace).contains(right) || !wrongs().isEmpty(); }, kWait));
            QVERIFY2(events(trace).contains(right), qPrintable(events(trace).join(u'|')));
        }
        QVERIFY(QTest::qWaitFor([&] { return events(trace).contains(QStringLiteral("sound ピンポン.wav")); }, kWait));
        QCOMPARE(events(trace).filter(QRegularExpression(u'^' + taken)).size(), word.size());
        QVERIFY(wrongs().isEmpty());
        QVERIFY(viewer.key(kEscape));
        QVERIFY(vnc.process.waitForFinished(kWait));
        QCOMPARE(vnc.process.exitCode(), 0);
    }
};

QTEST_MAIN(RealKeys)
#include "test_real_keys.moc"
