#pragma once
// Opens the program's screens. Each screen exists at most once: opening a loaded screen
// brings it to the front with its state; a closed screen is unloaded, and opening it
// again runs its opening steps again.

class QWidget;

namespace quenno::shell {

enum class ScreenId { FormUtama, FormScan, FormAbout, FormCRCGen, FormProcess, FormQuarantine, FormRegTools };

class Navigator {
public:
    virtual ~Navigator() = default;
    // Loads the screen when it is not loaded (its opening steps run), shows it, raises it.
    virtual QWidget* open(ScreenId id) = 0;
    // Loads the screen when it is not loaded, without showing it.
    virtual QWidget* load(ScreenId id) = 0;
    // The loaded screen, or nullptr.
    virtual QWidget* find(ScreenId id) const = 0;
    // Ends the program at once, every screen with it.
    virtual void exitProgram() = 0;
};

}  // namespace quenno::shell
