// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/StalledShare.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTest>
#include <QtDebug>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace mokuri::test {

namespace {

// Generous: a loaded two-core machine can take seconds to start a process and mount.
constexpr int kStartMs = 20000;
constexpr int kStopMs = 15000;

QString readText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// mountinfo writes space, tab, newline and backslash in paths as \ooo.
QString unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(static_cast<char>(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

} // namespace

StalledShare::StalledShare() = default;

StalledShare::~StalledShare() { stop(); }

bool StalledShare::isMountPoint(const QString& path)
{
    // Not canonicalised: resolving the path would look at the mount's root, which a
    // stalled share may never answer.
    QString wanted = path;
    while (wanted.size() > 1 && wanted.endsWith(u'/')) wanted.chop(1);
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    if (!f.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4 && unescapeMountField(fields[4]) == wanted) return true;
    }
    return false;
}

bool StalledShare::start(const QString& backingDir)
{
    if (!mount_.isEmpty()) {
        why_ = QStringLiteral("this share was started already");
        return false;
    }
#ifndef MOKURI_STALLED_SHARE_BIN
    Q_UNUSED(backingDir)
    why_ = QStringLiteral("mokuri-stalled-share was not built: fuse3 (libfuse3-dev) was not found");
    return false;
#else
    const QString bin = QStringLiteral(MOKURI_STALLED_SHARE_BIN);
    if (!QFileInfo(bin).isExecutable()) {
        why_ = QStringLiteral("mokuri-stalled-share is not built at ") + bin;
        return false;
    }
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse"))) {
        why_ = QStringLiteral("/dev/fuse is missing: this machine cannot mount FUSE file systems");
        return false;
    }
    if (!QFileInfo(backingDir).isDir()) {
        why_ = QStringLiteral("no folder to share at ") + backingDir;
        return false;
    }
    if (!dir_.isValid()) {
        why_ = QStringLiteral("cannot make a temporary folder: ") + dir_.errorString();
        return false;
    }
    const QString base = QFileInfo(dir_.path()).canonicalFilePath();
    if (!QDir(base).mkdir(QStringLiteral("share"))) {
        why_ = QStringLiteral("cannot make the mount point in ") + base;
        return false;
    }
    const QString mount = base + QStringLiteral("/share");
    list_ = base + QStringLiteral("/stalled");
    const QString log = base + QStringLiteral("/share.log");
    writeList();

    fs_.setProgram(bin);
    fs_.setArguments({QFileInfo(backingDir).absoluteFilePath(), mount, list_});
    fs_.setStandardOutputFile(QProcess::nullDevice());
    // A file, not a pipe: nobody reads while the share runs, and a full pipe would stop it.
    fs_.setStandardErrorFile(log);
    // A test killed on its time limit never runs the destructor: the share then ends with
    // it instead of staying mounted. (It ends with the thread that started it, too.)
    const pid_t parent = ::getpid();
    fs_.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(1);
    });
    fs_.start();
    if (!fs_.waitForStarted(kStartMs)) {
        why_ = QStringLiteral("cannot run ") + bin + QStringLiteral(": ") + fs_.errorString();
        return false;
    }
    const QDeadlineTimer deadline(kStartMs);
    while (!isMountPoint(mount)) {
        if (fs_.state() == QProcess::NotRunning || fs_.waitForFinished(20)) {
            why_ = QStringLiteral("mokuri-stalled-share could not mount (exit code %1): %2")
                       .arg(fs_.exitCode())
                       .arg(readText(log).trimmed());
            return false;
        }
        if (deadline.hasExpired()) {
            mount_ = mount; // so that stop() looks for a late mount
            stop();
            mount_.clear();
            why_ = QStringLiteral("mokuri-stalled-share did not mount within %1 s").arg(kStartMs / 1000);
            return false;
        }
    }
    mount_ = mount;
    return true;
#endif
}

void StalledShare::stop()
{
    // The share is stopped before anything is let go: let go first, a client stuck on it
    // would race the shutdown and sometimes succeed, sometimes fail. Stopped first, every
    // held operation fails, as when a real share goes away.
    if (fs_.state() != QProcess::NotRunning) {
        fs_.terminate();
        if (!fs_.waitForFinished(kStopMs)) {
            qWarning("mokuri-stalled-share did not stop on SIGTERM; letting everything go and killing it");
            releaseAll();
            fs_.kill();
            fs_.waitForFinished(kStopMs);
        }
    }
    if (mount_.isEmpty() || !isMountPoint(mount_)) return;
    // Left behind by a share that was killed. Lazy, so that a process still inside cannot
    // keep the unmount waiting.
    QProcess unmount;
    unmount.start(QStringLiteral("fusermount3"), {QStringLiteral("-u"), QStringLiteral("-z"), mount_});
    if (unmount.waitForStarted(kStopMs) && !unmount.waitForFinished(kStopMs)) {
        unmount.kill();
        unmount.waitForFinished(kStopMs);
    }
    if (isMountPoint(mount_)) {
        // Removing the temporary folder would walk into the share and delete the backing
        // folder's files.
        qWarning("cannot unmount %s; leaving it and its temporary folder behind", qPrintable(mount_));
        dir_.setAutoRemove(false);
    }
}

void StalledShare::writeList()
{
    if (list_.isEmpty()) return; // not started: start() writes the names
    // Replaced whole: the share reads the list all the time, and a half-written one
    // would let held operations go.
    QSaveFile f(list_);
    if (!f.open(QIODevice::WriteOnly)) {
        qWarning("cannot write the stall list %s", qPrintable(list_));
        return;
    }
    f.write(names_.join(u'\n').toUtf8() + '\n');
    if (!f.commit()) qWarning("cannot write the stall list %s", qPrintable(list_));
}

void StalledShare::stall(const QString& name)
{
    if (name.isEmpty() || names_.contains(name)) return;
    names_.append(name);
    writeList();
}

void StalledShare::release(const QString& name)
{
    if (names_.removeAll(name) > 0) writeList();
}

void StalledShare::releaseAll()
{
    names_.clear();
    writeList();
}

QStringList StalledShare::held() const
{
    if (list_.isEmpty()) return {};
    return readText(list_ + QStringLiteral(".held")).split(u'\n', Qt::SkipEmptyParts);
}

bool StalledShare::waitUntilHeld(const QString& name, int ms) const
{
    return QTest::qWaitFor([&] {
        for (const QString& op : held()) {
            if (name.isEmpty()) return true;
            const QString path = op.mid(op.indexOf(u' ') + 1);
            if (path.split(u'/').contains(name)) return true;
        }
        return false;
    }, ms);
}

} // namespace mokuri::test
