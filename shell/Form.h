#pragma once
// Base of every screen: a fixed-size top-level window captioned as the screen's table
// says, with the screen's own PlaySound. Closing a screen unloads it.

#include "Liveness.h"
#include "PictureButton.h"
#include "platform/Platform.h"

#include <QWidget>

#include <initializer_list>

namespace quenno::shell {

class Form : public QWidget {
    Q_OBJECT
public:
    enum class TitleButtons { MinimizeClose, Close, None };

    Form(const platform::Platform& platform, const QString& objectName, const QString& caption, QSize clientSize,
         TitleButtons buttons);

    // Starts the wave file asynchronously; a new sound replaces one still playing.
    void PlaySound(const QString& fullPath);
    // Full path of a file of the application folder (a name of AppFiles.h), letter case
    // ignored.
    QString appPath(const char* name) const;
    // Full path of a name in the folder the program writes (FileSystem::dataFolder).
    QString dataPath(const char* name) const;

    // How Enter puts a neighbour back to rest: most buttons hide the neighbour's hover
    // picture first; Quick help shows the resting picture first.
    enum class NeighbourRest { HoverHiddenFirst, RestingShownFirst };
    // A picture button lit by the pointer, the one way every screen lights one: its resting
    // picture gives way to its hover picture, each neighbour listed goes back to rest, then
    // the menu sound of the application folder plays.
    void Enter(const PictureButton& button, std::initializer_list<const PictureButton*> neighbours = {},
               NeighbourRest order = NeighbourRest::HoverHiddenFirst);

protected:
    // Whether this screen is still there after a call that let events run (see Liveness).
    // Marked when the Form part is destroyed: after the screen's own members, before its
    // child widgets.
    Liveness::Watch watch() const { return m_liveness.watch(); }

    const platform::Platform& m_platform;

private:
    Liveness m_liveness;
};

}  // namespace quenno::shell
