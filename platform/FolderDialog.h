#pragma once
#include <QString>

namespace quenno::platform {

class FolderDialog {
public:
    virtual ~FolderDialog() = default;
    // A folder chosen by the user (file-system folders only), or "" on cancel or failure.
    virtual QString browse(const QString& title) = 0;
};

}  // namespace quenno::platform
