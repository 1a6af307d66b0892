// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "content/TaskListFile.h"
#include "support/Random.h"

namespace mokuri {

// Reseeds the generator, then exchanges two random entries as many times as there are
// entries.
void shuffleTasks(TaskList& tasks, Random& random);

} // namespace mokuri
