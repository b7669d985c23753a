#pragma once
#include "platform/MessageBoxes.h"

namespace quenno::platform {

// Modal QMessageBox captioned "QuennoAV" over the active window.
class QtMessageBoxes final : public MessageBoxes {
public:
    Answer show(const QString& text, Style style) override;
};

}  // namespace quenno::platform
