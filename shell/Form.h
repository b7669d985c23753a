#pragma once
// Base of every screen: a fixed-size top-level window captioned as the screen's table
// says, with the screen's own PlaySound. Closing a screen unloads it.

#include "platform/Platform.h"

#include <QWidget>

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

protected:
    const platform::Platform& m_platform;
};

} // namespace quenno::shell
