// SPDX-License-Identifier: GPL-3.0-or-later
// The real program ends with status 0 on Esc, also after a dialog was opened and left, and
// Esc in a dialog does not end it. Keys and clicks reach it through Qt's VNC platform: the
// test speaks just enough of the RFB protocol to type and click, and follows the game by
// its trace.
#include "fakes/StalledShare.h"
#include "fakes/TestFolder.h"

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
};

QTEST_MAIN(RealKeys)
#include "test_real_keys.moc"
