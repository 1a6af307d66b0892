// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/TaskOrder.h"

#include <utility>

namespace mokuri {

void shuffleTasks(TaskList& tasks, Random& random)
{
    random.reseed();
    const int count = int(tasks.size());
    for (int k = 0; k < count; ++k) {
        int a = random.index(count);
        int b = random.index(count);
        tasks.swapItemsAt(a, b);
    }
}

} // namespace mokuri
