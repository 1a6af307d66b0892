// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waits for the first question a started game writes to its trace.
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTest>

namespace mokuri::test {

// The first `question` line, or empty when the game ended or the time ran out first.
inline QString waitForFirstQuestion(const QString& trace, const QProcess& game, int ms)
{
    QString question;
    (void)QTest::qWaitFor([&] {
        QFile f(trace);
        if (f.open(QIODevice::ReadOnly))
            for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n'))
                if (question.isEmpty() && line.section(u'\t', 1, 1) == QLatin1String("question")) question = line;
        return !question.isEmpty() || game.state() != QProcess::Running;
    }, ms);
    return question;
}

// The value of `key=` among a trace line's fields; empty when it has none.
inline QString traceField(const QString& line, const QString& key)
{
    const QString prefix = key + u'=';
    for (const QString& field : line.split(u'\t'))
        if (field.startsWith(prefix)) return field.mid(prefix.size());
    return {};
}

} // namespace mokuri::test
