// The start-up and tray options and the tray icon's messages.

#include "FormScan.h"

#include "platform/AsciiCase.h"
#include "shell/Art.h"


#include <array>

namespace quenno::scan {

namespace {

const std::string kRunKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
// The off click removes the entry of this name, whatever the executable is called.
const std::string kProgramName = "QuennoAV";
const QString kTrayTip = QStringLiteral("QuennoAV Agent");
const QString kTrayOwner = QStringLiteral("trayIconOwner");

// Lives on the scan screen while its tray icon exists: the icon goes when the screen goes,
// so a click on it can never reach a screen that no longer exists.
class TrayIconOwner final : public QObject {
public:
    TrayIconOwner(QObject* screen, platform::Tray& tray) : QObject(screen), m_tray(tray)
    {
        setObjectName(kTrayOwner);
    }
    ~TrayIconOwner() override { m_tray.remove(); }
    TrayIconOwner(const TrayIconOwner&) = delete;
    TrayIconOwner& operator=(const TrayIconOwner&) = delete;

private:
    platform::Tray& m_tray;
};

// The executable's file name without a trailing ".exe".
std::string programName(const std::string& exePath)
{
    std::string name = exePath.substr(exePath.find_last_of("/\\") + 1);
    if (name.size() > 4) {
        if (platform::equalsIgnoringAsciiCase(std::string_view(name).substr(name.size() - 4), ".exe"))
            name.resize(name.size() - 4);
    }
    return name;
}

} // namespace

void FormScan::IscanStar_Click()
{
    switchOption(m_star, true);
    platform::Registry* registry = m_platform.registry;
    platform::Autostart* autostart = m_platform.autostart;
    const std::string exePath = autostart ? autostart->executablePath() : std::string();
    const std::string fileName = exePath.substr(exePath.find_last_of("/\\") + 1);
    const std::string name = programName(exePath);
    const std::string runData = m_platform.files->applicationFolder() + m_platform.files->separator() + fileName;

    bool written = false;
    bool entered = false;
    if (!name.empty()) {
        written = registry && registry->writeString(kRunKey + name, runData);
        entered = autostart->enable(name, runData);
    }
    const std::string problem = registry ? registry->takeProblem() : std::string();
    const shell::Liveness::Watch self = watch();
    if (!problem.empty() && m_platform.messages)
        m_platform.messages->show(QString::fromStdString(problem), platform::MessageBoxes::Style::Critical);
    if (written && entered)
        return;
    // Half a registration is undone, even when the screen went during the message; the
    // option then shows what is really in place.
    if (written)
        registry->deleteValue(kRunKey + name);
    if (entered)
        autostart->disable(name);
    if (!self.alive())
        return;
    m_star.toRest();
    if (m_platform.messages)
        m_platform.messages->show(QStringLiteral("QuennoAV could not be set to start when you log on."),
                                  platform::MessageBoxes::Style::Critical);
}

void FormScan::IscanStarb_Click()
{
    switchOption(m_star, false);
    platform::Registry* registry = m_platform.registry;
    platform::Autostart* autostart = m_platform.autostart;
    const std::string value = kRunKey + kProgramName;
    const bool present = registry && registry->readValue(value).has_value();
    const bool deleted = present && registry->deleteValue(value);
    const bool entryGone = autostart && autostart->disable(kProgramName);
    const std::string problem = registry ? registry->takeProblem() : std::string();
    platform::MessageBoxes* messages = m_platform.messages;
    if (!messages)
        return;
    const shell::Liveness::Watch self = watch();
    if (!problem.empty())
        messages->show(QString::fromStdString(problem), platform::MessageBoxes::Style::Critical);
    if (!self.alive())
        return;
    if (!entryGone || (present && !deleted))
        m_platform.messages->show(QStringLiteral("QuennoAV could not be stopped from starting when you log on."),
                                  platform::MessageBoxes::Style::Critical);
    else if (!present)
        m_platform.messages->show(QStringLiteral("There was no start-up entry named QuennoAV to remove."),
                                  platform::MessageBoxes::Style::Critical);
}

void FormScan::IScanTray_Click()
{
    platform::Tray* tray = m_platform.tray;
    if (!tray || !tray->available()) {
        if (m_platform.messages)
            m_platform.messages->show(
                QStringLiteral("This desktop has no notification area, so the tray icon cannot be shown."),
                platform::MessageBoxes::Style::Information);
        return;
    }
    switchOption(m_tray, true);
    const bool added = tray->add(shell::windowIcon(), kTrayTip, [this, self = watch()](int message) {
        if (self.alive())
            TrayMessage(message);
    });
    if (!added) {
        m_tray.toRest();
        if (m_platform.messages)
            m_platform.messages->show(QStringLiteral("The tray icon could not be added to the notification area."),
                                      platform::MessageBoxes::Style::Critical);
        return;
    }
    if (!findChild<QObject*>(kTrayOwner, Qt::FindDirectChildrenOnly))
        new TrayIconOwner(this, *tray);
}

void FormScan::IScanTrayb_Click()
{
    switchOption(m_tray, false);
    if (QObject* owner = findChild<QObject*>(kTrayOwner, Qt::FindDirectChildrenOnly))
        delete owner;  // removes the icon
    else if (m_platform.tray)
        m_platform.tray->remove();
}

void FormScan::TrayMessage(int message)
{
    if (!m_navigator)
        return;
    using shell::ScreenId;
    if (message == platform::Tray::LeftButtonUp) {
        m_navigator->open(ScreenId::FormUtama);
    } else if (message == platform::Tray::RightButtonUp) {
        // Every screen ends up loaded and hidden, so that opening one later shows it as it is.
        constexpr std::array order = {ScreenId::FormUtama,  ScreenId::FormScan,    ScreenId::FormAbout,
                                      ScreenId::FormCRCGen, ScreenId::FormProcess, ScreenId::FormQuarantine,
                                      ScreenId::FormRegTools};
        for (ScreenId id : order) {
            if (QWidget* screen = m_navigator->load(id))
                screen->hide();
        }
    }
}

} // namespace quenno::scan
