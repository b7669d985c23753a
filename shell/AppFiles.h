#pragma once
// The names of the files the program ships in its application folder, as every screen,
// the asset generator and the tests spell them. A name is relative to the folder; the
// folder's lookup (FileSystem::inApplicationFolder) finds it whatever its letter case.
// Plain C++: the generator and tests without the shell may include it.
//
// database.db and the Quarantine folder live in the data folder and are named by their
// owners (detection::kDatabaseName, quarantine::kQuarantineFolderName).

namespace quenno::shell::appfiles {

// Sounds.
inline constexpr char MenuCommandSound[] = "Menu Command.wav";  // a picture button lights up
inline constexpr char HelpSound[] = "Help.wav";  // help or the virus list opens
inline constexpr char ActivatedSound[] = "Activated.wav";  // full scanning switched on
inline constexpr char FinishSound[] = "Finish.wav";  // a scan has finished

inline constexpr char ProgressAnimation[] = "Bar.ocx";  // animated GIF shown while a scan runs
inline constexpr char CreditsMovie[] = "About.ocx";  // the About screen's looping movie
inline constexpr char CreditsMusic[] = "music.mp3";  // played after the movie
inline constexpr char HelpFile[] = "Quenno Help.html";

}  // namespace quenno::shell::appfiles
