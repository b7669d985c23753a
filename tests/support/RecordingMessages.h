#pragma once
// Message boxes that record each text and style and answer at once instead of waiting for
// the user: a question takes the next of `answers`, then `unanswered`; any other box is Ok.

#include "platform/MessageBoxes.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>

namespace quenno::test {

class RecordingMessages final : public platform::MessageBoxes {
public:
    Answer show(const QString& text, Style style) override;

    QStringList texts;
    QList<Style> styles;
    std::deque<Answer> answers;
    Answer unanswered = Answer::No;
    // Runs while a box is up: a real modal box lets other events run under it.
    std::function<void()> whileShown;
};

}  // namespace quenno::test
