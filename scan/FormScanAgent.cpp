// The start-up and tray options and the tray icon's messages.

#include "FormScan.h"

#include "StartupRegistration.h"
#include "shell/Art.h"

#include <array>

namespace quenno::scan {

namespace {

const QString kTrayTip = QStringLiteral("QuennoAV Agent");
const QString kTrayOwner = QStringLiteral("trayIconOwner");

// Lives on the scan screen while its tray icon exists: the icon goes when the screen goes,
// so a click on it can never reach a screen that no longer exists.
class TrayIconOwner final : public QObject {
public:
    TrayIconOwner(QObject* screen, platform::Tray& tray) : QObject(screen), m_tray(tray) { setObjectName(kTrayOwner); }
    ~TrayIconOwner() override { m_tray.remove(); }
    TrayIconOwner(const TrayIconOwner&) = delete;
    TrayIconOwner& operator=(const TrayIconOwner&) = delete;

private:
    platform::Tray& m_tray;
};

}  // namespace

void FormScan::tellStoreProblem(const std::string& problem)
{
    if (!problem.empty() && m_platform.messages)
        m_platform.messages->show(QString::fromStdString(problem), platform::MessageBoxes::Style::Critical);
}

void FormScan::IscanStar_Click()
{
    using Registered = StartupRegistration::Registered;
    switchOption(m_star, true);
    const auto outcome = StartupRegistration(m_platform.registry, m_platform.autostart, *m_platform.files).enable();
    const shell::Liveness::Watch self = watch();
    tellStoreProblem(outcome.storeProblem);  // a message box: it lets events run
    if (!self.alive() || outcome.result == Registered::Yes)
        return;
    m_star.toRest();  // the option shows what is really in place
    if (m_platform.messages)
        m_platform.messages->show(outcome.result == Registered::Partly
                                      ? QStringLiteral("QuennoAV could not be set to start when you log on, and what "
                                                       "had been written for it could not be removed: it may still "
                                                       "start when you log on.")
                                      : QStringLiteral("QuennoAV could not be set to start when you log on."),
                                  platform::MessageBoxes::Style::Critical);
}

void FormScan::IscanStarb_Click()
{
    using Removed = StartupRegistration::Removed;
    switchOption(m_star, false);
    const auto outcome = StartupRegistration(m_platform.registry, m_platform.autostart, *m_platform.files).disable();
    if (!m_platform.messages)
        return;
    const shell::Liveness::Watch self = watch();
    tellStoreProblem(outcome.storeProblem);  // a message box: it lets events run
    if (!self.alive())
        return;
    if (outcome.result == Removed::No)
        m_platform.messages->show(QStringLiteral("QuennoAV could not be stopped from starting when you log on."),
                                  platform::MessageBoxes::Style::Critical);
    else if (outcome.result == Removed::NoneThere)
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
        constexpr std::array order
            = {ScreenId::FormUtama,   ScreenId::FormScan,       ScreenId::FormAbout,   ScreenId::FormCRCGen,
               ScreenId::FormProcess, ScreenId::FormQuarantine, ScreenId::FormRegTools};
        for (ScreenId id : order) {
            if (QWidget* screen = m_navigator->load(id))
                screen->hide();
        }
    }
}

}  // namespace quenno::scan
