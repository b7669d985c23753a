#pragma once
// Every picture the program draws with: one row per bitmap, in the window-table order of
// its screen. The generator paints each row at exactly this size and stores it as
// ":/art/<screen>/<name>.png".

#include <array>

namespace quenno::assets {

enum class Kind {
    WindowIcon,  // the window icon of every screen
    Background,  // a screen's background (what is drawn on it depends on the screen)
    Panel,  // a framed panel with text (welcome, quick help, About lower panel)
    Button,  // resting command button: plate with the label
    ButtonLit,  // lit command button: brighter plate with a glow
    IconButton,  // small square button: icon with a short caption
    IconButtonLit,
    RegIcon,  // registry tools, resting: the icon alone
    RegStrip,  // registry tools, lit: the icon with the label beside it
    OptionOff,  // scan option switch, off
    OptionOn,  // scan option switch, on
    Indicator,  // the scan screen's "Ready" lamp
};

// Symbols drawn inside icons; each is one character of the symbol font.
enum class Glyph {
    None,
    Shield,
    Home,
    Scan,
    Quarantine,
    Check,
    Exit,
    Help,
    About,
    Update,
    Process,
    Registry,
    QuickHelp,
    Browse,
    Stop,
    Delete,
    Kill,
    Startup,
    Tray,
    ClearList,
    FullScan,
    Attributes,
    Restore,
    FolderOptions,
    RegEdit,
    Command,
    Extensions,
    Hidden,
    Task,
    Run,
    Close,
    Ok,
    Credits,
};

struct ArtRow {
    const char* screen;
    const char* name;
    int width;
    int height;
    const char* label;  // text drawn into the picture ("" for none)
    Kind kind;
    Glyph glyph;
};

inline constexpr std::array kArt = {
    ArtRow{"Common", "Icon", 64, 64, "", Kind::WindowIcon, Glyph::Shield},

    // Main window
    ArtRow{"FormUtama", "Image1", 700, 525, "", Kind::Background, Glyph::None},
    ArtRow{"FormUtama", "Iwelcom", 375, 278, "Welcome", Kind::Panel, Glyph::Shield},
    ArtRow{"FormUtama", "IQuickBack", 380, 281, "Quick Help", Kind::Panel, Glyph::QuickHelp},
    ArtRow{"FormUtama", "Ihome", 164, 34, "Home", Kind::Button, Glyph::Home},
    ArtRow{"FormUtama", "Ihomeb", 165, 38, "Home", Kind::ButtonLit, Glyph::Home},
    ArtRow{"FormUtama", "Iscan", 162, 34, "Scan", Kind::Button, Glyph::Scan},
    ArtRow{"FormUtama", "Iscanb", 167, 39, "Scan", Kind::ButtonLit, Glyph::Scan},
    ArtRow{"FormUtama", "Iqua", 162, 33, "Quarantine", Kind::Button, Glyph::Quarantine},
    ArtRow{"FormUtama", "Iquab", 165, 38, "Quarantine", Kind::ButtonLit, Glyph::Quarantine},
    ArtRow{"FormUtama", "Iche", 164, 34, "Check CRC", Kind::Button, Glyph::Check},
    ArtRow{"FormUtama", "Icheb", 168, 40, "Check CRC", Kind::ButtonLit, Glyph::Check},
    ArtRow{"FormUtama", "Iexit", 163, 35, "Exit", Kind::Button, Glyph::Exit},
    ArtRow{"FormUtama", "Iexitb", 165, 42, "Exit", Kind::ButtonLit, Glyph::Exit},
    ArtRow{"FormUtama", "Ihelp", 62, 60, "Help", Kind::IconButton, Glyph::Help},
    ArtRow{"FormUtama", "Ihelpb", 60, 60, "Help", Kind::IconButtonLit, Glyph::Help},
    ArtRow{"FormUtama", "Iabout", 44, 43, "About", Kind::IconButton, Glyph::About},
    ArtRow{"FormUtama", "Iaboutb", 44, 43, "About", Kind::IconButtonLit, Glyph::About},
    ArtRow{"FormUtama", "IUpdate", 46, 41, "Update", Kind::IconButton, Glyph::Update},
    ArtRow{"FormUtama", "IUpdateb", 46, 41, "Update", Kind::IconButtonLit, Glyph::Update},
    ArtRow{"FormUtama", "IProcessMan", 47, 42, "Process", Kind::IconButton, Glyph::Process},
    ArtRow{"FormUtama", "IProcessManb", 45, 41, "Process", Kind::IconButtonLit, Glyph::Process},
    ArtRow{"FormUtama", "IToolsReg", 46, 41, "Registry", Kind::IconButton, Glyph::Registry},
    ArtRow{"FormUtama", "IToolsRegb", 47, 41, "Registry", Kind::IconButtonLit, Glyph::Registry},
    ArtRow{"FormUtama", "IQuickHelp", 45, 40, "Tips", Kind::IconButton, Glyph::QuickHelp},
    ArtRow{"FormUtama", "IQuickHelpb", 46, 41, "Tips", Kind::IconButtonLit, Glyph::QuickHelp},

    // Scan screen
    ArtRow{"FormScan", "Picture", 500, 500, "", Kind::Background, Glyph::None},
    ArtRow{"FormScan", "IScanBack", 500, 383, "", Kind::Background, Glyph::None},
    ArtRow{"FormScan", "IScanFullb", 51, 50, "Full", Kind::OptionOn, Glyph::FullScan},
    ArtRow{"FormScan", "IScanFull", 49, 49, "Full", Kind::OptionOff, Glyph::FullScan},
    ArtRow{"FormScan", "IscanKillProcessb", 51, 51, "Kill", Kind::OptionOn, Glyph::Kill},
    ArtRow{"FormScan", "IscanClearLsb", 50, 51, "Clear", Kind::OptionOn, Glyph::ClearList},
    ArtRow{"FormScan", "IscanClearLs", 49, 50, "Clear", Kind::OptionOff, Glyph::ClearList},
    ArtRow{"FormScan", "IscanKillProcess", 51, 50, "Kill", Kind::OptionOff, Glyph::Kill},
    ArtRow{"FormScan", "IscanReady", 143, 35, "Ready", Kind::Indicator, Glyph::Check},
    ArtRow{"FormScan", "IScanBrowseb", 149, 34, "Browse", Kind::ButtonLit, Glyph::Browse},
    ArtRow{"FormScan", "IScanBrowse", 149, 33, "Browse", Kind::Button, Glyph::Browse},
    ArtRow{"FormScan", "IScanTrayb", 51, 50, "Tray", Kind::OptionOn, Glyph::Tray},
    ArtRow{"FormScan", "IscanStarb", 52, 52, "Start", Kind::OptionOn, Glyph::Startup},
    ArtRow{"FormScan", "IScanTray", 50, 50, "Tray", Kind::OptionOff, Glyph::Tray},
    ArtRow{"FormScan", "IscanStar", 50, 51, "Start", Kind::OptionOff, Glyph::Startup},
    ArtRow{"FormScan", "IScanStopb", 147, 33, "Stop", Kind::ButtonLit, Glyph::Stop},
    ArtRow{"FormScan", "IscanQuab", 111, 35, "Quarantine", Kind::ButtonLit, Glyph::Quarantine},
    ArtRow{"FormScan", "IScanDeleteb", 110, 34, "Delete", Kind::ButtonLit, Glyph::Delete},
    ArtRow{"FormScan", "IScanFolderb", 149, 34, "Scan", Kind::ButtonLit, Glyph::Scan},
    ArtRow{"FormScan", "IscanQua", 112, 35, "Quarantine", Kind::Button, Glyph::Quarantine},
    ArtRow{"FormScan", "IScanDelete", 110, 35, "Delete", Kind::Button, Glyph::Delete},
    ArtRow{"FormScan", "IScanStop", 149, 33, "Stop", Kind::Button, Glyph::Stop},
    ArtRow{"FormScan", "IScanFolder", 149, 34, "Scan", Kind::Button, Glyph::Scan},

    // Quarantine manager
    ArtRow{"FormQuarantine", "IQuaDeleteb", 124, 35, "Delete", Kind::ButtonLit, Glyph::Delete},
    ArtRow{"FormQuarantine", "IQuaDelete", 125, 34, "Delete", Kind::Button, Glyph::Delete},
    ArtRow{"FormQuarantine", "IQuaBackground", 327, 434, "", Kind::Background, Glyph::None},

    // Checksum checker
    ArtRow{"FormCRCGen", "Image1", 327, 434, "", Kind::Background, Glyph::None},

    // About screen
    ArtRow{"FormAbout", "IAboutOkb", 103, 32, "OK", Kind::ButtonLit, Glyph::Ok},
    ArtRow{"FormAbout", "IAboutCreditsb", 103, 32, "Credits", Kind::ButtonLit, Glyph::Credits},
    ArtRow{"FormAbout", "IAboutOk", 104, 32, "OK", Kind::Button, Glyph::Ok},
    ArtRow{"FormAbout", "IAboutCredits", 104, 33, "Credits", Kind::Button, Glyph::Credits},
    ArtRow{"FormAbout", "IAboutCopy", 320, 163, "About", Kind::Panel, Glyph::Shield},
    ArtRow{"FormAbout", "Image1", 327, 434, "", Kind::Background, Glyph::None},
    ArtRow{"FormAbout", "Image2", 327, 434, "", Kind::Background, Glyph::None},

    // Process manager
    ArtRow{"FormProcess", "IProcessDeleteb", 109, 33, "Close", Kind::ButtonLit, Glyph::Close},
    ArtRow{"FormProcess", "IProcessDelete", 109, 33, "Close", Kind::Button, Glyph::Close},
    ArtRow{"FormProcess", "IProcessKillb", 109, 33, "Kill", Kind::ButtonLit, Glyph::Kill},
    ArtRow{"FormProcess", "IProcessKill", 110, 33, "Kill", Kind::Button, Glyph::Kill},
    ArtRow{"FormProcess", "Image1", 327, 434, "", Kind::Background, Glyph::None},

    // Registry tools
    ArtRow{"FormRegTools", "IRegHiddenb", 210, 28, "Hidden & System Files", Kind::RegStrip, Glyph::Hidden},
    ArtRow{"FormRegTools", "IRegExtb", 209, 30, "File Name Extensions", Kind::RegStrip, Glyph::Extensions},
    ArtRow{"FormRegTools", "IRegAttributb", 152, 30, "Restore Attributes", Kind::RegStrip, Glyph::Attributes},
    ArtRow{"FormRegTools", "IRegSysresb", 178, 30, "System Restore", Kind::RegStrip, Glyph::Restore},
    ArtRow{"FormRegTools", "IRegAttribut", 31, 30, "", Kind::RegIcon, Glyph::Attributes},
    ArtRow{"FormRegTools", "IRegSysres", 32, 31, "", Kind::RegIcon, Glyph::Restore},
    ArtRow{"FormRegTools", "IRegRunb", 199, 29, "Run Command", Kind::RegStrip, Glyph::Run},
    ArtRow{"FormRegTools", "IRegCloseb", 111, 35, "Close", Kind::ButtonLit, Glyph::Close},
    ArtRow{"FormRegTools", "IRegClose", 111, 34, "Close", Kind::Button, Glyph::Close},
    ArtRow{"FormRegTools", "IRegFolderb", 165, 30, "Folder Options", Kind::RegStrip, Glyph::FolderOptions},
    ArtRow{"FormRegTools", "IRegTaskb", 158, 30, "Task Manager", Kind::RegStrip, Glyph::Task},
    ArtRow{"FormRegTools", "IRegCMDb", 171, 30, "Command Prompt", Kind::RegStrip, Glyph::Command},
    ArtRow{"FormRegTools", "IRegEditb", 178, 30, "Registry Editor", Kind::RegStrip, Glyph::RegEdit},
    ArtRow{"FormRegTools", "IRegRun", 30, 32, "", Kind::RegIcon, Glyph::Run},
    ArtRow{"FormRegTools", "IRegTask", 31, 30, "", Kind::RegIcon, Glyph::Task},
    ArtRow{"FormRegTools", "IRegHidden", 30, 29, "", Kind::RegIcon, Glyph::Hidden},
    ArtRow{"FormRegTools", "IRegExt", 30, 30, "", Kind::RegIcon, Glyph::Extensions},
    ArtRow{"FormRegTools", "IRegCMD", 31, 30, "", Kind::RegIcon, Glyph::Command},
    ArtRow{"FormRegTools", "IRegEdit", 30, 30, "", Kind::RegIcon, Glyph::RegEdit},
    ArtRow{"FormRegTools", "IRegFolder", 31, 30, "", Kind::RegIcon, Glyph::FolderOptions},
    ArtRow{"FormRegTools", "Image1", 456, 434, "", Kind::Background, Glyph::None},
};

}  // namespace quenno::assets
