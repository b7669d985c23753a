#include "RecordingMessages.h"

namespace quenno::test {

platform::MessageBoxes::Answer RecordingMessages::show(const QString& text, Style style)
{
    texts << text;
    styles << style;
    if (const auto step = whileShown)
        step();
    if (style != Style::YesNoQuestion)
        return Answer::Ok;
    if (answers.empty())
        return unanswered;
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace quenno::test
