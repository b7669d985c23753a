#pragma once
// The program's Navigator: makes each screen through the factory registered for it, keeps
// at most one of each, and forgets a screen as soon as it is destroyed (a closed screen is
// deleted, so the next opening makes it afresh and its opening steps run again).

#include "Navigator.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

namespace quenno::shell {

class ScreenManager final : public Navigator {
public:
    using Factory = std::function<QWidget*()>;

    // `endProcess` runs last in exitProgram(). The program passes one that ends the process
    // at once, so that work running below the current handler (a scan letting events run)
    // stops with it. Without one, exitProgram() closes the screens and leaves the event loop.
    explicit ScreenManager(std::function<void()> endProcess = {});
    ~ScreenManager() override;
    ScreenManager(const ScreenManager&) = delete;
    ScreenManager& operator=(const ScreenManager&) = delete;

    // A command whose screen has no factory does nothing.
    void registerScreen(ScreenId id, Factory factory);
    bool hasScreen(ScreenId id) const;

    QWidget* open(ScreenId id) override;
    QWidget* load(ScreenId id) override;
    QWidget* find(ScreenId id) const override;
    void exitProgram() override;

    bool exiting() const { return m_exiting; }

private:
    static std::size_t slot(ScreenId id) { return static_cast<std::size_t>(id); }
    void placeOverMainWindow(QWidget* screen) const;

    static constexpr std::size_t kScreens = static_cast<std::size_t>(ScreenId::FormRegTools) + 1;
    std::array<Factory, kScreens> m_factories;
    std::array<QPointer<QWidget>, kScreens> m_screens;
    std::function<void()> m_endProcess;
    bool m_exiting = false;
};

}  // namespace quenno::shell
