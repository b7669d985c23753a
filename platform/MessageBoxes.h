#pragma once
#include <QString>

namespace quenno::platform {

// Modal message boxes captioned with the application title. Tests replace them with a
// recorder that answers without blocking.
class MessageBoxes {
public:
    enum class Style { Ok, Critical, Information, YesNoQuestion };
    enum class Answer { Ok, Yes, No };
    virtual ~MessageBoxes() = default;
    virtual Answer show(const QString& text, Style style) = 0;
};

}  // namespace quenno::platform
