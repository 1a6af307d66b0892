// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Trace.h"
#include "support/Logging.h"

#include <QFile>

namespace mokuri {

Trace::Trace() : sink_(std::make_shared<Sink>()) { sink_->clock.start(); }

Trace::Trace(const QString& target) : Trace()
{
    if (target.isEmpty()) return;
    if (target == QLatin1String("1")) {
        sink_->out = stderr;
        return;
    }
    sink_->out = std::fopen(QFile::encodeName(target).constData(), "a");
    sink_->ownsFile = sink_->out != nullptr;
    if (!sink_->out) qCWarning(logSupport, "cannot open trace file %s", qPrintable(target));
}

Trace::Sink::~Sink()
{
    if (out && ownsFile) std::fclose(out);
}

QString Trace::targetFromEnvironment() { return qEnvironmentVariable("MOKURI_TRACE"); }

void Trace::event(const char* name, const QStringList& fields)
{
    Sink& sink = *sink_;
    if (!sink.out) return;
    QByteArray line = QByteArray::number(double(sink.clock.nsecsElapsed()) / 1e6, 'f', 1);
    line += '\t';
    line += name;
    for (const QString& f : fields) {
        line += '\t';
        line += f.toUtf8();
    }
    line += '\n';
    std::lock_guard<std::mutex> g(sink.lock);
    std::fwrite(line.constData(), 1, size_t(line.size()), sink.out);
    std::fflush(sink.out);
}

} // namespace mokuri
