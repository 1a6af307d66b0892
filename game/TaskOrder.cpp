#include "game/TaskOrder.h"

#include "content/Globals.h"
#include "game/Random.h"

#include <utility>

namespace mokuri {

void ShuffleTasks(QString* tasks, int16_t count)
{
    Randomize();
    for (int k = 0; k < count; ++k) {
        int a = RandomIndex(count);
        int b = RandomIndex(count);
        std::swap(tasks[a], tasks[b]);
    }
}

void ShuffleTasks() { ShuffleTasks(TaskPictures, TaskPictureCount); }

} // namespace mokuri
