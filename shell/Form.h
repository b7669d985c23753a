#pragma once
// Base of every screen: a fixed-size top-level window captioned as the screen's table
// says, with the screen's own PlaySound. Closing a screen unloads it.

#include "PictureButton.h"
#include "platform/Platform.h"

#include <QWidget>

#include <initializer_list>

namespace quenno::shell {

class Form : public QWidget {
    Q_OBJECT
public:
    enum class TitleButtons { MinimizeClose, Close, None };

    Form(const platform::Platform& platform, const QString& objectName, const QString& caption,
         QSize clientSize, TitleButtons buttons);

    // Starts the wave file asynchronously; a new sound replaces one still playing.
    void PlaySound(const QString& fullPath);
    // Application folder followed by `name` ("\Menu Command.wav"), letter case ignored.
    QString appPath(const char* name) const;
    // Full path of a name in the folder the program writes (FileSystem::dataFolder).
    QString dataPath(const char* name) const;
    // A picture button lit by the pointer: its resting picture gives way to its hover
    // picture, each neighbour listed goes back to rest (hover hidden, then resting shown),
    // then "Menu Command.wav" of the application folder plays.
    void Enter(const PictureButton& button, std::initializer_list<const PictureButton*> neighbours = {});

protected:
    const platform::Platform& m_platform;
};

} // namespace quenno::shell
