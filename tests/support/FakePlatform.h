#pragma once
// One stand-in for each facility that would block, reach the desktop or end a process,
// wired into a Platform bundle. The file system, the registry and the log-on entry are
// left empty: a test puts in the real ones on its own temporary folders, or a fake of
// its own. The bundle points into this object, which therefore neither copies nor moves.

#include "FakeEventPump.h"
#include "FakeFolderDialog.h"
#include "FakePlayers.h"
#include "FakeProcessTable.h"
#include "FakeTray.h"
#include "FixedClock.h"
#include "FixedVolumes.h"
#include "RecordingLauncher.h"
#include "RecordingMessages.h"
#include "RecordingSound.h"

#include "platform/Platform.h"

namespace quenno::test {

class FakePlatform {
public:
    FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;
    // Every fake as new and the bundle wired to them again, at the same addresses, so that
    // a test object keeps one for all its tests; what the test put in itself it puts in again.
    void reset();

    RecordingMessages messages;
    RecordingSound sound;
    RecordingLauncher launcher;
    FakeFolderDialog folders;
    FakeTray tray;
    FakeProcessTable processTable;
    FixedClock clock;
    FixedVolumes volumes;
    FakeEventPump events;
    PlayerLog players;  // every movie and music player the bundle makes logs here
    platform::Platform platform;

private:
    void wire();
};

}  // namespace quenno::test
