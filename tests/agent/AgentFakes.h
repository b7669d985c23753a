#pragma once
// Small stand-ins for the facilities that would block or reach the desktop: message
// boxes, sound, the notification area and the players. Each records what it was asked.

#include "platform/Platform.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

namespace quenno::test {

struct RecordingMessages final : platform::MessageBoxes {
    QStringList texts;
    QList<Style> styles;
    Answer show(const QString& text, Style style) override
    {
        texts << text;
        styles << style;
        return style == Style::YesNoQuestion ? Answer::Yes : Answer::Ok;
    }
};

struct RecordingSound final : platform::Sound {
    QStringList played;
    void play(const QString& path) override { played << path; }
};

struct FakeTray final : platform::Tray {
    bool isAvailable = true;
    bool shown = false;
    QIcon icon;
    QString tip;
    std::function<void(int)> onMessage;
    int removals = 0;

    bool available() const override { return isAvailable; }
    bool add(const QIcon& newIcon, const QString& newTip, std::function<void(int)> handler) override
    {
        if (!isAvailable)
            return false;
        icon = newIcon;
        tip = newTip;
        onMessage = std::move(handler);
        shown = true;
        return true;
    }
    void remove() override
    {
        ++removals;
        shown = false;
        onMessage = nullptr;
    }
    bool visible() const override { return shown; }
};

// Players that log each call ("movie play <path>", "music open <path>", ...) into one
// shared list, so the order of movie and music is visible.
struct PlayerLog {
    QStringList calls;
    bool moviePlays = true;
    bool musicOpens = true;
};

struct FakeMoviePlayer final : platform::MoviePlayer {
    explicit FakeMoviePlayer(PlayerLog& log) : m_log(log) {}
    void attach(QWidget* area) override { m_log.calls << "movie attach " + (area ? area->objectName() : "-"); }
    bool play(const QString& path) override
    {
        m_log.calls << "movie play " + path;
        return m_log.moviePlays;
    }
    void stop() override { m_log.calls << "movie stop"; }

private:
    PlayerLog& m_log;
};

struct FakeMediaPlayer final : platform::MediaPlayer {
    explicit FakeMediaPlayer(PlayerLog& log) : m_log(log) {}
    bool open(const QString& path) override
    {
        m_log.calls << "music open " + path;
        return m_log.musicOpens;
    }
    bool play() override
    {
        m_log.calls << "music play";
        return true;
    }
    void stop() override { m_log.calls << "music stop"; }

private:
    PlayerLog& m_log;
};

inline void useFakePlayers(platform::Platform& platform, PlayerLog& log)
{
    platform.makeMoviePlayer = [&log] { return std::unique_ptr<platform::MoviePlayer>(std::make_unique<FakeMoviePlayer>(log)); };
    platform.makeMediaPlayer = [&log] { return std::unique_ptr<platform::MediaPlayer>(std::make_unique<FakeMediaPlayer>(log)); };
}

} // namespace quenno::test
