#pragma once
#include <QString>
#include <QStringList>

namespace quenno::platform {

// Starts other programs without waiting for them. Each call is false when no program on
// this desktop is there to show the file or the one there could not be started.
class Launcher {
public:
    virtual ~Launcher() = default;
    // Opens a document in the desktop's default program for its kind (help in the browser).
    virtual bool openHelp(const QString& path) = 0;
    // Opens a plain-text file in the desktop's default text editor, whatever its extension.
    virtual bool openTextEditor(const QString& path) = 0;
};

}  // namespace quenno::platform
