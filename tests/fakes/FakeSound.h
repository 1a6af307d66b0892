#pragma once
// A sound control that records every call; a "playing" sound lasts until the test ends it
// or for a given number of Mode() reads.
#include "media/SoundControl.h"

#include <QStringList>

namespace mokuri::test {

class FakeSound : public SoundControl {
public:
    void SetCommand(const QString& command) override;
    void SetFileName(const QString& fileName) override { fileName_ = fileName; calls << "FileName=" + fileName; }
    int Mode() override;
    void WaitForModeChange() override;

    // Files that fail to open.
    QStringList missing;
    // How many Mode() reads a played sound stays "playing" (0: ends at once).
    int playReads = 0;
    // Every Command and FileName, in order.
    QStringList calls;
    // Files that really started playing.
    QStringList played;
    int waits = 0;
    bool IsPlaying() const { return readsLeft_ > 0; }
    void Finish() { readsLeft_ = 0; }

private:
    QString fileName_;
    bool open_ = false;
    int readsLeft_ = 0;
};

} // namespace mokuri::test
