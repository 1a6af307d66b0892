#pragma once
#include <QString>
#include <cstdint>

namespace mokuri {

// Reseeds the generator, then exchanges two random entries of the first `count` as many
// times as there are entries.
void ShuffleTasks(QString* tasks, int16_t count);
// The same on the global task list.
void ShuffleTasks();

} // namespace mokuri
