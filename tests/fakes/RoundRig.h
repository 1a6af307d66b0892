// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The question engine alone on fake sound and speech and a fixed seed, started: the first
// question is being spoken. Its trace goes to a file of its own.
#include "fakes/FakeSound.h"
#include "fakes/FakeSpeech.h"
#include "game/Round.h"

#include <QFile>
#include <QTemporaryFile>
#include <memory>

namespace mokuri::test {

struct RoundRig {
    FakeSound sound;
    FakeSpeech speech;
    Random random{2024u};
    QTemporaryFile traceFile;
    std::unique_ptr<Trace> trace;
    std::unique_ptr<Round> round;

    explicit RoundRig(const QStringList& pictures, const Settings& settings = {},
                      const QStringList& praise = {QStringLiteral("よくできました")}, const AccessSettings& access = {})
    {
        traceFile.open();
        trace = std::make_unique<Trace>(traceFile.fileName());
        round = std::make_unique<Round>(PictureFolder{QStringLiteral("data"), pictures}, pictures, settings, praise,
                                        sound, speech, random, *trace);
        round->setAccess(access);
        round->start();
    }
    const Question& q() const { return round->question(); }
    // The trace's lines, each without its time.
    QStringList traceLines() const
    {
        QFile f(traceFile.fileName());
        f.open(QIODevice::ReadOnly);
        QStringList out;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (!line.isEmpty()) out << QString::fromUtf8(line.mid(line.indexOf('\t') + 1));
        return out;
    }
};

} // namespace mokuri::test
