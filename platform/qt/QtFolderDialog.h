#pragma once
#include "platform/FolderDialog.h"

namespace quenno::platform {

class QtFolderDialog final : public FolderDialog {
public:
    QString browse(const QString& title) override;
};

}  // namespace quenno::platform
