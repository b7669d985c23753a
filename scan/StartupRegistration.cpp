#include "StartupRegistration.h"

#include "platform/AsciiCase.h"

namespace quenno::scan {

namespace {

const std::string kRunKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
// The off click removes the entry of this name, whatever the executable is called.
const std::string kProgramName = "QuennoAV";

// The executable's file name without a trailing ".exe".
std::string programName(const std::string& fileName)
{
    std::string name = fileName;
    if (name.size() > 4 && platform::equalsIgnoringAsciiCase(std::string_view(name).substr(name.size() - 4), ".exe"))
        name.resize(name.size() - 4);
    return name;
}

}  // namespace

StartupRegistration::StartupRegistration(platform::Registry* registry, platform::Autostart* autostart,
                                         const platform::FileSystem& files)
    : m_registry(registry), m_autostart(autostart), m_files(files)
{
}

std::string StartupRegistration::takeProblem() { return m_registry ? m_registry->takeProblem() : std::string(); }

StartupRegistration::Outcome<StartupRegistration::Registered> StartupRegistration::enable()
{
    const std::string exePath = m_autostart ? m_autostart->executablePath() : std::string();
    const std::string fileName = exePath.substr(exePath.find_last_of("/\\") + 1);
    const std::string name = programName(fileName);
    const std::string runData = m_files.applicationFolder() + m_files.separator() + fileName;

    bool written = false;
    bool entered = false;
    if (!name.empty()) {
        written = m_registry && m_registry->writeString(kRunKey + name, runData);
        entered = m_autostart->enable(name, runData);
    }
    if (written && entered)
        return {Registered::Yes, takeProblem()};

    // Half a registration is undone, so that the option can show what is really in place.
    // When undoing fails too the program may still start at log-on: that is told apart.
    bool undone = true;
    if (written)
        undone = m_registry->deleteValue(kRunKey + name) && undone;
    if (entered)
        undone = m_autostart->disable(name) && undone;
    return {undone ? Registered::No : Registered::Partly, takeProblem()};
}

StartupRegistration::Outcome<StartupRegistration::Removed> StartupRegistration::disable()
{
    using Removal = platform::Registry::Removal;
    // A store that cannot be read or written may well hold the value: that is no "none there".
    const Removal removal = m_registry ? m_registry->removeValue(kRunKey + kProgramName) : Removal::NoneThere;
    const bool entryGone = m_autostart && m_autostart->disable(kProgramName);
    const std::string problem = takeProblem();
    if (!entryGone || removal == Removal::Refused)
        return {Removed::No, problem};
    return {removal == Removal::Removed ? Removed::Yes : Removed::NoneThere, problem};
}

}  // namespace quenno::scan
