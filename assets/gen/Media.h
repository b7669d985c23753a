#pragma once
#include <QByteArray>
#include <QString>

namespace quenno::assets {

// Writes "Menu Command.wav", "Help.wav", "Activated.wav", "Finish.wav", "Bar.ocx",
// "About.ocx" and "music.wav" into the folder. False when a file cannot be written.
bool makeMedia(const QString& folder);

// Writes only when the content differs, so an unchanged file keeps its time stamp and
// nothing downstream is rebuilt.
bool writeIfChanged(const QString& path, const QByteArray& bytes);

}  // namespace quenno::assets
