// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turning a picture into a question: its word, the tiles with their decoys, the places of
// the tiles in the row, and the instruction.
#include "content/Settings.h"
#include "game/Question.h"
#include "support/Random.h"

namespace mokuri {

Question makeQuestion(int taskIndex, const QString& picture, const Settings& settings, Random& random);
// What is said when the picture's question appears.
QString instructionFor(const QString& picture, const Settings& settings);

} // namespace mokuri
