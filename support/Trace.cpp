// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Trace.h"

#include <QFile>

namespace mokuri {

Trace::Trace() { clock_.start(); }

Trace::Trace(const QString& target)
{
    clock_.start();
    if (target.isEmpty()) return;
    if (target == QLatin1String("1")) {
        out_ = stderr;
        return;
    }
    out_ = std::fopen(QFile::encodeName(target).constData(), "a");
    ownsFile_ = out_ != nullptr;
    if (!out_) std::fprintf(stderr, "mokuri: cannot open trace file %s\n", qPrintable(target));
}

Trace::~Trace()
{
    if (out_ && ownsFile_) std::fclose(out_);
}

QString Trace::targetFromEnvironment() { return qEnvironmentVariable("MOKURI_TRACE"); }

void Trace::event(const char* name, const QStringList& fields)
{
    if (!out_) return;
    QByteArray line = QByteArray::number(double(clock_.nsecsElapsed()) / 1e6, 'f', 1);
    line += '\t';
    line += name;
    for (const QString& f : fields) {
        line += '\t';
        line += f.toUtf8();
    }
    line += '\n';
    std::lock_guard<std::mutex> g(lock_);
    std::fwrite(line.constData(), 1, size_t(line.size()), out_);
    std::fflush(out_);
}

} // namespace mokuri
