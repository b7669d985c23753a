// QuennoAV, the windowed program: the main window and every screen it opens.
// It takes no command-line arguments.

#include "platform/Platform.h"
#include "quarantine/FormQuarantine.h"
#include "shell/Art.h"
#include "scan/FormScan.h"
#include "shell/FormAbout.h"
#include "shell/FormUtama.h"
#include "shell/ScreenManager.h"
#include "tools/FormCRCGen.h"
#include "tools/FormProcess.h"
#include "tools/FormRegTools.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Counts how deep event delivery is nested. Work that lets events run (a scan, a loading
// animation) delivers events inside another event; ending the program from there must end
// the process at once, or that work would carry on behind the closed windows.
class QuennoApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        ++m_depth;
        const bool done = QApplication::notify(receiver, event);
        --m_depth;
        return done;
    }
    bool insideOtherWork() const { return m_depth > 1; }

private:
    int m_depth = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QuennoApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuennoAV"));
    // Every screen carries the same icon.
    QApplication::setWindowIcon(quenno::shell::windowIcon());
    // The program lives as long as its main window, not as long as some window is open.
    QApplication::setQuitOnLastWindowClosed(false);

    quenno::platform::NativePlatform native;
    const quenno::platform::Platform& platform = native.get();

    using quenno::shell::ScreenId;
    quenno::shell::ScreenManager screens([&app] {
        if (app.insideOtherWork()) {
            std::fflush(nullptr);
            std::_Exit(0);
        }
    });
    screens.registerScreen(ScreenId::FormUtama,
                           [&] { return new quenno::shell::FormUtama(platform, screens); });
    // Each screen is registered here with one line as it is built.
    screens.registerScreen(ScreenId::FormScan, [&] {
        auto* screen = new quenno::scan::FormScan(platform);
        screen->setNavigator(&screens);
        return screen;
    });
    screens.registerScreen(ScreenId::FormQuarantine, [&] { return new quenno::quarantine::FormQuarantine(platform); });
    screens.registerScreen(ScreenId::FormAbout, [&] { return new quenno::shell::FormAbout(platform); });
    screens.registerScreen(ScreenId::FormCRCGen, [&] { return new quenno::tools::FormCRCGen(platform); });
    screens.registerScreen(ScreenId::FormProcess, [&] { return new quenno::tools::FormProcess(platform); });
    screens.registerScreen(ScreenId::FormRegTools, [&] { return new quenno::tools::FormRegTools(platform); });

    if (!screens.open(ScreenId::FormUtama))
        return 1;
    return app.exec();
}
