#include "FakePlatform.h"

namespace quenno::test {

FakePlatform::FakePlatform() { wire(); }

void FakePlatform::reset()
{
    messages = {};
    sound = {};
    launcher = {};
    folders = {};
    tray = {};
    processTable = {};
    clock = {};
    volumes = {};
    events = {};
    players = {};
    platform = {};
    wire();
}

void FakePlatform::wire()
{
    platform.processes = &processTable;
    platform.clock = &clock;
    platform.volumes = &volumes;
    platform.events = &events;
    platform.sound = &sound;
    platform.messages = &messages;
    platform.folders = &folders;
    platform.launcher = &launcher;
    platform.tray = &tray;
    platform.makeMoviePlayer = [this] {
        return std::unique_ptr<platform::MoviePlayer>(std::make_unique<FakeMoviePlayer>(players));
    };
    platform.makeMediaPlayer = [this] {
        return std::unique_ptr<platform::MediaPlayer>(std::make_unique<FakeMediaPlayer>(players));
    };
}

}  // namespace quenno::test
