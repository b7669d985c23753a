#pragma once
// The artwork compiled into the program: one bitmap per picture of the window tables,
// addressed by screen and control name (":/art/<screen>/<name>.png").

#include <QIcon>
#include <QPixmap>

namespace quenno::shell {

QPixmap art(const QString& screen, const QString& name);
QIcon windowIcon();

}  // namespace quenno::shell
