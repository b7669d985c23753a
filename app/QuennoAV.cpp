// QuennoAV, the windowed program: the main window and every screen it opens.
// It takes no command-line arguments.

#include "platform/Platform.h"
#include "quarantine/FormQuarantine.h"
#include "shell/Art.h"
#include "scan/FormScan.h"
#include "shell/FormAbout.h"
#include "shell/FormUtama.h"
#include "shell/QuennoApplication.h"
#include "shell/ScreenManager.h"
#include "tools/FormCRCGen.h"
#include "tools/FormProcess.h"
#include "tools/FormRegTools.h"

int main(int argc, char** argv)
{
    quenno::shell::QuennoApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuennoAV"));
    // Lets the desktop match the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUENNO_APP_ID));
    // Every screen carries the same icon.
    QApplication::setWindowIcon(quenno::shell::windowIcon());
    // The program lives as long as its main window, not as long as some window is open.
    QApplication::setQuitOnLastWindowClosed(false);

    quenno::platform::NativePlatform native;
    const quenno::platform::Platform& platform = native.get();

    using quenno::shell::ScreenId;
    quenno::shell::ScreenManager screens([&app] {
        app.endProcessIfInsideOtherWork();
    });
    screens.registerScreen(ScreenId::FormUtama, [&] {
        return new quenno::shell::FormUtama(platform, screens);
    });
    // Each screen is registered here with one line as it is built.
    screens.registerScreen(ScreenId::FormScan, [&] {
        auto* screen = new quenno::scan::FormScan(platform);
        screen->setNavigator(&screens);
        return screen;
    });
    screens.registerScreen(ScreenId::FormQuarantine, [&] {
        return new quenno::quarantine::FormQuarantine(platform);
    });
    screens.registerScreen(ScreenId::FormAbout, [&] {
        return new quenno::shell::FormAbout(platform);
    });
    screens.registerScreen(ScreenId::FormCRCGen, [&] {
        return new quenno::tools::FormCRCGen(platform);
    });
    screens.registerScreen(ScreenId::FormProcess, [&] {
        return new quenno::tools::FormProcess(platform);
    });
    screens.registerScreen(ScreenId::FormRegTools, [&] {
        return new quenno::tools::FormRegTools(platform);
    });

    if (!screens.open(ScreenId::FormUtama))
        return 1;
    return app.exec();
}
