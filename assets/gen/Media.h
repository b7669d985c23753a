#pragma once
#include <QString>

namespace quenno::assets {

// Writes "Menu Command.wav", "Help.wav", "Activated.wav", "Finish.wav", "Bar.ocx",
// "About.ocx" and "music.wav" into the folder. False when a file cannot be written.
bool makeMedia(const QString& folder);

} // namespace quenno::assets
