#include "content/TextFile.h"

#include "app/Trace.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

namespace mokuri {

ReadResult ReadFileBytes(const QString& path)
{
    ReadResult r;
    QFileInfo info(path);
    if (!info.exists()) {
        r.status = ReadStatus::Missing;
        return r;
    }
    QFile f(path);
    if (info.isDir() || !f.open(QIODevice::ReadOnly)) {
        r.status = ReadStatus::Unreadable;
        return r;
    }
    r.bytes = f.read(MaxTextFileBytes);
    r.status = f.error() == QFile::NoError ? ReadStatus::Ok : ReadStatus::Unreadable;
    return r;
}

bool SaveFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile f(path);
    // Without this QSaveFile would write in place when the folder is read-only.
    f.setDirectWriteFallback(false);
    bool ok = f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
    if (!ok) {
        QString why = f.errorString();
        f.cancelWriting();
        std::fprintf(stderr, "mokuri: could not save %s (%s); the old file is kept and the values hold until the program ends\n",
                     qPrintable(QFileInfo(path).absoluteFilePath()), qPrintable(why));
        TraceEvent("warning", {QStringLiteral("could not save ") + path});
        return false;
    }
    TraceEvent("save", {path});
    return true;
}

} // namespace mokuri
