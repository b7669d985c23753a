#pragma once
// Sound that records the path of each wave it is asked to play.

#include "platform/Sound.h"

#include <QStringList>

namespace quenno::test {

class RecordingSound final : public platform::Sound {
public:
    void play(const QString& path) override { played << path; }

    QStringList played;
};

}  // namespace quenno::test
