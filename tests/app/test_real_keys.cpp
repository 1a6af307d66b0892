// The real program ends with status 0 on Esc, also after a dialog was opened and left.
// Keys and clicks reach it through Qt's VNC platform: the test speaks just enough of the
// RFB protocol to type and click.
#include "fakes/TestFolder.h"

#include <QDeadlineTimer>
#include <QtEndian>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace mokuri::test;

namespace {

sockaddr_in Loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(port));
    return a;
}

int FreePort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(0);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

bool ReadExactly(int fd, char* buf, size_t n)
{
    while (n > 0) {
        ssize_t r = ::recv(fd, buf, n, 0);
        if (r <= 0) return false;
        buf += r;
        n -= size_t(r);
    }
    return true;
}

bool SendAll(int fd, const QByteArray& bytes)
{
    return ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
}

// A VNC viewer that only types.
class Keyboard {
public:
    ~Keyboard()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    // Connects and goes through the handshake (protocol 3.3, no authentication).
    bool Connect(int port, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a = Loopback(port);
            if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return Handshake();
            ::close(fd_);
            fd_ = -1;
            QTest::qWait(100);
        }
        return false;
    }
    bool Key(uint32_t keysym)
    {
        return SendKey(keysym, true) && SendKey(keysym, false);
    }
    bool Click(int x, int y)
    {
        return SendPointer(x, y, 0) && SendPointer(x, y, 1) && SendPointer(x, y, 0);
    }

private:
    bool Handshake()
    {
        char version[12];
        if (!ReadExactly(fd_, version, 12) || QByteArray(version, 3) != "RFB") return false;
        if (!SendAll(fd_, "RFB 003.003\n")) return false;
        char security[4];
        if (!ReadExactly(fd_, security, 4) || security[3] != 1) return false;  // 1: none
        if (!SendAll(fd_, QByteArray(1, '\1'))) return false;                   // shared
        char init[24];
        if (!ReadExactly(fd_, init, 24)) return false;
        const uint32_t nameLength = qFromBigEndian<quint32>(init + 20);
        QByteArray name(int(nameLength), '\0');
        return ReadExactly(fd_, name.data(), nameLength);
    }
    bool SendKey(uint32_t keysym, bool down)
    {
        char m[8] = {4, char(down)};  // KeyEvent
        qToBigEndian(quint32(keysym), m + 4);
        return SendAll(fd_, QByteArray(m, sizeof m));
    }
    bool SendPointer(int x, int y, int buttons)
    {
        char m[6] = {5, char(buttons)};  // PointerEvent
        qToBigEndian(quint16(x), m + 2);
        qToBigEndian(quint16(y), m + 4);
        return SendAll(fd_, QByteArray(m, sizeof m));
    }
    int fd_ = -1;
};

constexpr uint32_t kEscape = 0xff1b;
constexpr uint32_t kLetterH = 'h';

QStringList Events(const QString& trace)
{
    QStringList events;
    for (const QByteArray& line : ReadBytes(trace).split('\n')) {
        const QList<QByteArray> f = line.split('\t');
        if (f.size() >= 2) events << QString::fromUtf8(f[1] + (f.size() > 2 ? " " + f[2] : QByteArray()));
    }
    return events;
}

qsizetype Questions(const QString& trace) { return Events(trace).filter(QRegularExpression("^question")).size(); }

} // namespace

class RealKeys : public QObject {
    Q_OBJECT
private slots:
    void escapeEndsTheProgramWithZero_data()
    {
        QTest::addColumn<bool>("dialogOpen");
        QTest::newRow("playing") << false;
        QTest::newRow("after the settings dialog") << true;
    }

    void escapeEndsTheProgramWithZero()
    {
        QFETCH(bool, dialogOpen);
        const QString bin = qEnvironmentVariable("MOKURI_BIN");
        if (bin.isEmpty() || !QFileInfo::exists(bin)) QSKIP("game binary not built");
        TestFolder folder;
        folder.AddPictures({"いぬ.bmp", "ねこ.bmp", "とり.bmp", "うし.bmp"});
        const QString trace = folder.Path() + "/trace.txt";
        const int port = FreePort();
        QVERIFY(port > 0);

        QProcess game;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // 96 dots per inch: 15 twips a pixel, so the dialog's buttons are where the test clicks.
        env.insert("QT_QPA_PLATFORM", QString("vnc:size=1024x768:mmsize=270.93x203.2:port=%1").arg(port));
        env.insert("SDL_AUDIODRIVER", "dummy");
        env.insert("MOKURI_TRACE", trace);
        game.setProcessEnvironment(env);
        game.setWorkingDirectory(folder.Path());
        game.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        game.start(bin, {folder.Data()});
        QVERIFY(game.waitForStarted(10000));
        auto cleanup = qScopeGuard([&] {
            if (game.state() != QProcess::NotRunning) {
                game.kill();
                game.waitForFinished(5000);
            }
        });

        // Playing: the first question has been set up.
        QTRY_VERIFY_WITH_TIMEOUT(Questions(trace) > 0, 20000);
        Keyboard keys;
        QVERIFY(keys.Connect(port, 10000));
        if (dialogOpen) {
            QVERIFY(keys.Key(kLetterH));
            QTRY_VERIFY_WITH_TIMEOUT(Events(trace).contains("key 72"), 10000);
            // The dialog has the keyboard now, and Esc is no key of the dialog.
            QTest::qWait(300);
            QVERIFY(keys.Key(kEscape));
            QVERIFY(!game.waitForFinished(700));
            // "キャンセル": the dialog (361 x 353) is centred, the button 24 px in, 280 down.
            const qsizetype questions = Questions(trace);
            QVERIFY(keys.Click((1024 - 361) / 2 + 24 + 32, (768 - 353) / 2 + 280 + 12));
            QTRY_VERIFY_WITH_TIMEOUT(Questions(trace) > questions, 10000);
        }
        QVERIFY(keys.Key(kEscape));
        QVERIFY(game.waitForFinished(15000));
        QCOMPARE(game.exitStatus(), QProcess::NormalExit);
        QCOMPARE(game.exitCode(), 0);
        QVERIFY(Events(trace).contains("key 27"));
    }
};

QTEST_MAIN(RealKeys)
#include "test_real_keys.moc"
