#pragma once
// Starting this program when the user logs on, as the scan screen's start-up option sets
// it: the Run value in the registry store and the desktop's log-on entry, both in place or
// neither. No user interface here: the screen turns each outcome into what it shows.

#include "platform/Autostart.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"

#include <string>

namespace quenno::scan {

class StartupRegistration {
public:
    enum class Registered {
        Yes,  // the Run value and the log-on entry are in place
        No,  // one of them could not be written; what was written is undone
        Partly,  // one could not be written, and what was written could not be undone
    };
    enum class Removed {
        Yes,  // the value named QuennoAV and its log-on entry are gone
        NoneThere,  // there was no value named QuennoAV (its entry is gone all the same)
        No,  // the value or the entry is still there
    };
    template<typename Result> struct Outcome {
        Result result;
        // What the registry store had to say meanwhile (see Registry::takeProblem), or "".
        std::string storeProblem;
    };

    // Either facility may be null: the registration then cannot be made.
    StartupRegistration(platform::Registry* registry, platform::Autostart* autostart,
                        const platform::FileSystem& files);

    // Writes both under the running executable's name (without ".exe"), starting it from
    // the application folder.
    Outcome<Registered> enable();
    // Removes the value and the entry named QuennoAV, whatever the executable is called.
    Outcome<Removed> disable();

private:
    std::string takeProblem();

    platform::Registry* m_registry;
    platform::Autostart* m_autostart;
    const platform::FileSystem& m_files;
};

}  // namespace quenno::scan
