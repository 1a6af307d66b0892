// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/StartedGame.h"

#include "fakes/TestFolder.h"

namespace mokuri::test {

StartedGame::~StartedGame()
{
    screen.reset();
    session.reset();
    round.reset();
}

std::unique_ptr<StartedGame> startGame(const QString& folder, const QString& traceFile, uint32_t seed)
{
    auto g = std::make_unique<StartedGame>(traceFile, seed);
    std::optional<StartValues> start = loadStartValues(folder, g->trace);
    if (!start) return nullptr;
    g->values = *start;
    g->round = std::make_unique<Round>(g->values.folder, g->values.tasks, g->values.settings, g->values.praise,
                                       g->sound, g->speech, g->random, g->trace);
    g->round->setAccess(g->values.access);
    g->session = std::make_unique<AdultSession>(*g->round, g->writes, g->trace);
    g->session->setNotices(g->values.settingsNotice, g->values.taskListNotice);
    g->screen = std::make_unique<MainScreen>(*g->round, g->scale, g->trace);
    new AdultDialogs(*g->session, *g->screen, g->scale);
    g->screen->fitToScreen(QSize(1024, 768));
    return g;
}

QStringList traceEvents(const QString& traceFile)
{
    QStringList out;
    for (const QByteArray& line : readBytes(traceFile).split('\n'))
        if (!line.isEmpty()) out << QString::fromUtf8(line.mid(line.indexOf('\t') + 1));
    return out;
}

int freeTileWith(const Question& q, const QString& letter)
{
    for (int i = 0; i < q.tileCount(); ++i)
        if (q.tileLetter(i) == letter && !q.isPlaced(i)) return i;
    return -1;
}

QTimer& retryTimerOf(Round& round)
{
    return *round.findChild<QTimer*>(QStringLiteral("Timer1"));
}

QTimer& nextQuestionTimerOf(Round& round)
{
    return *round.findChild<QTimer*>(QStringLiteral("Timer2"));
}

} // namespace mokuri::test
