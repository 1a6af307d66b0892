// SPDX-License-Identifier: GPL-3.0-or-later
// The real program under a real window manager with a panel (Xvfb, openbox, tint2): its
// window takes the window manager's full-screen state, covers the whole screen, and the
// panel's strip shows the game, not the panel; the first question comes without a click.
#include "fakes/TestFolder.h"
#include "tools/TraceWait.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <memory>

using namespace mokuri::test;

namespace {

constexpr int kWait = 20000;
// The game built with the sanitizers starts several times slower, more so on a machine busy
// with the rest of the suite; only a limit, nothing is timed.
constexpr int kFirstQuestionWait = 90000;
const QColor kGameBackground(0, 128, 128);

QString tool(const char* name) { return QStandardPaths::findExecutable(QString::fromLatin1(name)); }

// A helper program's standard output, or empty when it failed.
QByteArray outputOf(const QString& program, const QStringList& args, const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(kWait) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return {};
    return p.readAllStandardOutput();
}

bool near(QColor a, QColor b) { return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 60; }

// Where each of the game's threads stands, for a failure's message: a game that never asks
// its first question shows what it waits on.
QString backtraces(const QProcess& game)
{
    const QString gdb = tool("gdb");
    if (gdb.isEmpty() || game.state() != QProcess::Running) return {};
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(gdb, {QStringLiteral("-p"), QString::number(game.processId()), QStringLiteral("-batch"), QStringLiteral("-ex"),
                  QStringLiteral("thread apply all bt")});
    if (!p.waitForFinished(kWait)) p.kill();
    return QString::fromLocal8Bit(p.readAll());
}

// A started program, killed when the test ends however it ends.
struct Child {
    std::unique_ptr<QProcess> p = std::make_unique<QProcess>();
    ~Child()
    {
        if (p->state() == QProcess::NotRunning) return;
        // Asked first: Xvfb then removes its socket and lock, for the next display.
        p->terminate();
        if (!p->waitForFinished(kWait)) p->kill();
        p->waitForFinished(kWait);
    }
};

} // namespace

class WindowManager : public QObject {
    Q_OBJECT
private slots:
    void tileRowAboveThePanel_data()
    {
        QTest::addColumn<QString>("panelPosition");
        QTest::newRow("panel at the bottom, over the tile row") << QStringLiteral("bottom");
        QTest::newRow("panel at the top, over the model row") << QStringLiteral("top");
    }

    void tileRowAboveThePanel()
    {
        QFETCH(QString, panelPosition);
        const QString bin = qEnvironmentVariable("MOKURI_BIN");
        const QString xvfb = tool("Xvfb"), openbox = tool("openbox"), tint2 = tool("tint2"), xprop = tool("xprop"),
                      import = tool("import"), xdotool = tool("xdotool");
        if (bin.isEmpty() || xvfb.isEmpty() || openbox.isEmpty() || tint2.isEmpty() || xprop.isEmpty() || import.isEmpty() ||
            xdotool.isEmpty())
            QSKIP("needs MOKURI_BIN and the Debian packages xvfb, openbox, tint2, x11-utils, imagemagick and xdotool");

        TestFolder folder;
        folder.addPictures({QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"), QStringLiteral("とり.bmp"), QStringLiteral("うし.bmp")});

        // Xvfb picks a free display itself and names it on its standard output.
        Child server;
        server.p->start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                               // Without it the server resets when its last client leaves, and
                               // refuses the next one meanwhile.
                               QStringLiteral("-noreset")});
        QVERIFY(QTest::qWaitFor([&] { return server.p->canReadLine() || server.p->state() == QProcess::NotRunning; }, kWait));
        const QByteArray number = server.p->readLine().trimmed();
        QVERIFY2(!number.isEmpty(), "Xvfb did not start");

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(number));
        // Their default configurations, untouched by the user's own.
        env.insert(QStringLiteral("HOME"), folder.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.path() + QStringLiteral("/config"));
        // No session bus here, and none to be started: without an address D-Bus launches one
        // through dbus-launch, which hung on a busy machine with the game's accessibility
        // bridge waiting for it inside the first label the game made (seen under the
        // sanitizers: no first question after 90 s). An address that refuses at once is
        // what a desktop without a bus gives.
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + folder.path() + QStringLiteral("/no-bus"));

        Child windowManager;
        windowManager.p->setProcessEnvironment(env);
        windowManager.p->setProcessChannelMode(QProcess::MergedChannels);
        windowManager.p->start(openbox, {QStringLiteral("--sm-disable")});
        QVERIFY2(QTest::qWaitFor([&] {
            return outputOf(xprop, {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")}, env).contains("window id");
        }, kWait), windowManager.p->readAll().constData());

        const QString panelConfig = folder.path() + QStringLiteral("/tint2rc");
        writeBytes(panelConfig, "panel_items = TSC\npanel_size = 100% 30\npanel_position = " + panelPosition.toLatin1() +
                                    " center horizontal\npanel_layer = top\nstrut_policy = follow_size\n"
                                    "rounded = 0\nbackground_color = #ff00ff 100\nborder_width = 0\n"
                                    "panel_background_id = 1\n");
        Child panel;
        panel.p->setProcessEnvironment(env);
        panel.p->setProcessChannelMode(QProcess::MergedChannels);
        panel.p->start(tint2, {QStringLiteral("-c"), panelConfig});
        // The panel is in place once the window manager has taken its strip from the work area.
        QByteArray workArea;
        QVERIFY2(QTest::qWaitFor([&] {
            workArea = outputOf(xprop, {QStringLiteral("-root"), QStringLiteral("_NET_WORKAREA")}, env);
            return workArea.contains(", 738");
        }, kWait), (workArea + " / panel " + (panel.p->state() == QProcess::Running ? "running: " : "ended: ") +
                    panel.p->readAll()).constData());

        Child game;
        QProcessEnvironment gameEnv = env;
        gameEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        gameEnv.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        gameEnv.insert(QStringLiteral("MOKURI_TRACE"), folder.path() + QStringLiteral("/trace.txt"));
        game.p->setProcessEnvironment(gameEnv);
        game.p->setWorkingDirectory(folder.path());
        game.p->start(bin, {folder.data()});
        QVERIFY(game.p->waitForStarted(kWait));
        if (waitForFirstQuestion(folder.path() + QStringLiteral("/trace.txt"), *game.p, kFirstQuestionWait).isEmpty())
            QFAIL(qPrintable(QStringLiteral("no first question without a click (%1, status %2): ")
                                 .arg(game.p->errorString())
                                 .arg(game.p->exitCode()) +
                             QString::fromLocal8Bit(game.p->readAllStandardError() +
                                                    readBytes(folder.path() + QStringLiteral("/trace.txt"))) +
                             backtraces(*game.p)));

        const QByteArray id = outputOf(xdotool, {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^Form1$")}, env)
                                  .split('\n')
                                  .value(0);
        QByteArray state;
        (void)QTest::qWaitFor([&] {
            state = outputOf(xprop, {QStringLiteral("-id"), QString::fromLatin1(id), QStringLiteral("_NET_WM_STATE")}, env);
            return state.contains("_NET_WM_STATE_FULLSCREEN");
        }, kWait);
        QVERIFY2(state.contains("_NET_WM_STATE_FULLSCREEN"), state.constData());

        // The strip the panel holds, seen on the screen: the game's background and its
        // tiles' white and black only, and the game's background along the screen's edge.
        const int stripTop = panelPosition == QLatin1String("top") ? 0 : 738;
        const int edgeRow = panelPosition == QLatin1String("top") ? 0 : 767;
        QString badPixel;
        QImage shot;
        (void)QTest::qWaitFor([&] {
            shot = QImage::fromData(outputOf(import, {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")}, env));
            if (shot.size() != QSize(1024, 768)) return false;
            badPixel.clear();
            for (int y = stripTop; y < stripTop + 30 && badPixel.isEmpty(); ++y)
                for (int x = 0; x < shot.width() && badPixel.isEmpty(); ++x) {
                    const QColor c = shot.pixelColor(x, y);
                    const bool allowed = y == edgeRow ? near(c, kGameBackground)
                                                      : near(c, kGameBackground) || near(c, Qt::white) || near(c, Qt::black);
                    if (!allowed) badPixel = QStringLiteral("%1 at %2,%3").arg(c.name()).arg(x).arg(y);
                }
            return badPixel.isEmpty();
        }, kWait);
        const QString shotFile = QDir::temp().filePath(QStringLiteral("mokuri_window_manager_%1.png").arg(panelPosition));
        if (!badPixel.isEmpty()) shot.save(shotFile);
        QVERIFY2(badPixel.isEmpty(), qPrintable(QStringLiteral("the panel's strip shows %1 (screenshot: %2)").arg(badPixel, shotFile)));
        QCOMPARE(game.p->state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(WindowManager)
#include "test_window_manager.moc"
