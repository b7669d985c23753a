#include "FormUtama.h"

#include "AppFiles.h"
#include "Art.h"
#include "detection/SignatureFile.h"

#include <QAction>
#include <QCloseEvent>
#include <QHash>
#include <QMenu>
#include <QMenuBar>

namespace quenno::shell {

namespace {

constexpr QSize kClientSize(699, 524);

struct PictureSpot {
    const char* name;
    QPoint pos;
    QSize size;
};

// From the bottom of the stacking order up: a picture made later lies above those before it.
constexpr PictureSpot kPictures[] = {
    {"Image1", {0, 0}, {700, 525}},         {"Iwelcom", {315, 159}, {375, 278}},
    {"Icheb", {44, 319}, {168, 40}},        {"Iexitb", {45, 365}, {165, 42}},
    {"Iscanb", {43, 232}, {167, 39}},       {"Iquab", {45, 276}, {165, 38}},
    {"Ihomeb", {46, 186}, {165, 38}},       {"Ihelp", {510, 24}, {62, 60}},
    {"Iabout", {448, 52}, {44, 43}},        {"Iaboutb", {448, 52}, {44, 43}},
    {"Ihelpb", {511, 24}, {60, 60}},        {"Ihome", {46, 189}, {164, 34}},
    {"Iscan", {46, 234}, {162, 34}},        {"Iqua", {47, 278}, {162, 33}},
    {"Iche", {45, 323}, {164, 34}},         {"Iexit", {45, 369}, {163, 35}},
    {"IUpdate", {427, 440}, {46, 41}},      {"IProcessMan", {473, 440}, {47, 42}},
    {"IToolsReg", {519, 441}, {46, 41}},    {"IProcessManb", {474, 440}, {45, 41}},
    {"IUpdateb", {427, 440}, {46, 41}},     {"IToolsRegb", {519, 440}, {47, 41}},
    {"IQuickHelp", {566, 441}, {45, 40}},   {"IQuickHelpb", {566, 440}, {46, 41}},
    {"IQuickBack", {312, 158}, {380, 281}},
};

}  // namespace

FormUtama::FormUtama(const platform::Platform& platform, Navigator& navigator)
    : Form(platform, QStringLiteral("FormUtama"), QStringLiteral("QuennoAV"), kClientSize, TitleButtons::MinimizeClose),
      m_navigator(navigator)
{
    setWindowIcon(shell::windowIcon());  // qualified: the member windowIcon() would hide it
    buildMenu();
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setMouseTracking(true);
    const int menuHeight = m_menuBar->sizeHint().height();
    m_menuBar->setGeometry(0, 0, kClientSize.width(), menuHeight);
    m_client->setGeometry(QRect(QPoint(0, menuHeight), kClientSize));
    // The menu bar sits above the client area, which keeps its full size.
    setFixedSize(kClientSize.width(), kClientSize.height() + menuHeight);
    buildPictures();
    connectPictures();
    Form_Load();
}

void FormUtama::buildPictures()
{
    QHash<QString, Picture*> made;
    for (const PictureSpot& spot : kPictures) {
        const QString name = QString::fromLatin1(spot.name);
        made.insert(name, new Picture(m_client, name, art(QStringLiteral("FormUtama"), name), spot.pos, spot.size));
    }
    auto pair = [&made](const char* rest) {
        const QString name = QString::fromLatin1(rest);
        return PictureButton{made.value(name), made.value(name + QLatin1Char('b'))};
    };
    Image1 = made.value(QStringLiteral("Image1"));
    Iwelcom = made.value(QStringLiteral("Iwelcom"));
    IQuickBack = made.value(QStringLiteral("IQuickBack"));
    m_home = pair("Ihome");
    m_scan = pair("Iscan");
    m_qua = pair("Iqua");
    m_che = pair("Iche");
    m_exit = pair("Iexit");
    m_help = pair("Ihelp");
    m_about = pair("Iabout");
    m_update = pair("IUpdate");
    m_processMan = pair("IProcessMan");
    m_toolsReg = pair("IToolsReg");
    m_quickHelp = pair("IQuickHelp");
}

void FormUtama::buildMenu()
{
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("menuBar"));
    m_menuBar->setNativeMenuBar(false);
    auto menu = [this](const char* name, const QString& caption) {
        QMenu* m = m_menuBar->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [this](QMenu* m, const char* name, const QString& caption, void (FormUtama::*handler)()) {
        QAction* action = m->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
    };
    QMenu* file = menu("MFile", QStringLiteral("&File"));
    item(file, "MHome", QStringLiteral("&Home"), &FormUtama::MHome_Click);
    item(file, "MExit", QStringLiteral("&Exit"), &FormUtama::MExit_Click);
    QMenu* scan = menu("MScan", QStringLiteral("&Scan"));
    item(scan, "MCheckCRC", QStringLiteral("&CheckCRC"), &FormUtama::MCheckCRC_Click);
    item(scan, "Scan", QStringLiteral("Scanning"), &FormUtama::Scan_Click);
    item(scan, "MQuaranine", QStringLiteral("&Quarantine"), &FormUtama::MQuaranine_Click);
    QMenu* tools = menu("MTools", QStringLiteral("&Tools"));
    item(tools, "ProcessMan", QStringLiteral("&Process Manager"), &FormUtama::ProcessMan_Click);
    item(tools, "ToolsReg", QStringLiteral("&Tools Registry"), &FormUtama::ToolsReg_Click);
    item(tools, "MUpdate", QStringLiteral("&Update Virus List"), &FormUtama::MUpdate_Click);
    QMenu* help = menu("MHelp", QStringLiteral("&Help"));
    item(help, "MAbout", QStringLiteral("&About"), &FormUtama::MAbout_Click);
    item(help, "MQuick", QStringLiteral("&Quick Help"), &FormUtama::MQuick_Click);
    item(help, "MHelp2", QStringLiteral("&Help"), &FormUtama::MHelp2_Click);
}

void FormUtama::connectPictures()
{
    connect(Image1, &Picture::MouseMove, this, &FormUtama::Image1_MouseMove);
    connect(Iwelcom, &Picture::MouseMove, this, &FormUtama::Iwelcom_MouseMove);
    connect(IQuickBack, &Picture::MouseMove, this, &FormUtama::IQuickBack_MouseMove);

    connect(m_home.rest, &Picture::MouseMove, this, &FormUtama::Ihome_MouseMove);
    connect(m_scan.rest, &Picture::MouseMove, this, &FormUtama::Iscan_MouseMove);
    connect(m_qua.rest, &Picture::MouseMove, this, &FormUtama::Iqua_MouseMove);
    connect(m_che.rest, &Picture::MouseMove, this, &FormUtama::Iche_MouseMove);
    connect(m_exit.rest, &Picture::MouseMove, this, &FormUtama::Iexit_MouseMove);
    connect(m_help.rest, &Picture::MouseMove, this, &FormUtama::Ihelp_MouseMove);
    connect(m_about.rest, &Picture::MouseMove, this, &FormUtama::Iabout_MouseMove);
    connect(m_update.rest, &Picture::MouseMove, this, &FormUtama::IUpdate_MouseMove);
    connect(m_processMan.rest, &Picture::MouseMove, this, &FormUtama::IProcessMan_MouseMove);
    connect(m_toolsReg.rest, &Picture::MouseMove, this, &FormUtama::IToolsReg_MouseMove);
    connect(m_quickHelp.rest, &Picture::MouseMove, this, &FormUtama::IQuickHelp_MouseMove);

    connect(m_home.hover, &Picture::Click, this, &FormUtama::Ihomeb_Click);
    connect(m_scan.hover, &Picture::Click, this, &FormUtama::Iscanb_Click);
    connect(m_qua.hover, &Picture::Click, this, &FormUtama::Iquab_Click);
    connect(m_che.hover, &Picture::Click, this, &FormUtama::Icheb_Click);
    connect(m_exit.hover, &Picture::Click, this, &FormUtama::Iexitb_Click);
    connect(m_help.hover, &Picture::Click, this, &FormUtama::Ihelpb_Click);
    connect(m_about.hover, &Picture::Click, this, &FormUtama::Iaboutb_Click);
    connect(m_update.hover, &Picture::Click, this, &FormUtama::IUpdateb_Click);
    connect(m_processMan.hover, &Picture::Click, this, &FormUtama::IProcessManb_Click);
    connect(m_toolsReg.hover, &Picture::Click, this, &FormUtama::IToolsRegb_Click);
    connect(m_quickHelp.hover, &Picture::Click, this, &FormUtama::IQuickHelpb_Click);
}

void FormUtama::Form_Load()
{
    // A folder that exists already or cannot be made is no reason to stop.
    if (m_platform.files) {
        const std::string quarantine = m_platform.files->inDataFolder("\\Quarantine");
        m_platform.files->createFolder(quarantine);
        // A copy cut short by a crash would otherwise stay hidden there for good.
        m_platform.files->removeLeftovers(quarantine);
        m_platform.files->removeLeftovers(m_platform.files->dataFolder());
    }
    Iwelcom->setVisible(true);
    Reset({&m_home, &m_scan, &m_qua, &m_che, &m_exit, &m_help, &m_about, &m_update, &m_processMan, &m_toolsReg,
           &m_quickHelp});
    IQuickBack->setVisible(false);
}

// --- Commands ---------------------------------------------------------------------------

void FormUtama::Ihomeb_Click()
{
    Iwelcom->setVisible(true);
    IQuickBack->setVisible(false);
}

void FormUtama::Iscanb_Click() { m_navigator.open(ScreenId::FormScan); }
void FormUtama::Iquab_Click() { m_navigator.open(ScreenId::FormQuarantine); }
void FormUtama::Icheb_Click() { m_navigator.open(ScreenId::FormCRCGen); }
void FormUtama::Iexitb_Click() { m_navigator.exitProgram(); }
void FormUtama::Ihelpb_Click() { openHelp(); }
void FormUtama::Iaboutb_Click() { m_navigator.open(ScreenId::FormAbout); }

void FormUtama::IUpdateb_Click()
{
    const QString list = dataPath(detection::kDatabaseName);
    const bool started = m_platform.launcher && m_platform.launcher->openTextEditor(list);
    PlaySound(appPath(appfiles::HelpSound));
    if (!started && m_platform.messages)
        m_platform.messages->show(QStringLiteral("The virus list could not be opened: no text editor on this desktop "
                                                 "could be started for \"%1\".")
                                      .arg(list),
                                  platform::MessageBoxes::Style::Critical);
}

void FormUtama::IProcessManb_Click() { m_navigator.open(ScreenId::FormProcess); }
void FormUtama::IToolsRegb_Click() { m_navigator.open(ScreenId::FormRegTools); }
void FormUtama::IQuickHelpb_Click() { IQuickBack->setVisible(true); }

void FormUtama::openHelp()
{
    const QString help = appPath(appfiles::HelpFile);
    const bool started = m_platform.launcher && m_platform.launcher->openHelp(help);
    PlaySound(appPath(appfiles::HelpSound));
    if (!started && m_platform.messages)
        m_platform.messages->show(
            QStringLiteral("The help could not be opened: no program on this desktop could be started to show "
                           "\"%1\".")
                .arg(help),
            platform::MessageBoxes::Style::Critical);
}

// --- Menu items: each runs its button's command ------------------------------------------

void FormUtama::MHome_Click() { Ihomeb_Click(); }
void FormUtama::MExit_Click() { Iexitb_Click(); }
void FormUtama::MCheckCRC_Click() { Icheb_Click(); }
void FormUtama::Scan_Click() { Iscanb_Click(); }
void FormUtama::MQuaranine_Click() { Iquab_Click(); }
void FormUtama::ProcessMan_Click() { IProcessManb_Click(); }
void FormUtama::ToolsReg_Click() { IToolsRegb_Click(); }
void FormUtama::MUpdate_Click() { IUpdateb_Click(); }
void FormUtama::MAbout_Click() { Iaboutb_Click(); }
void FormUtama::MQuick_Click() { IQuickHelpb_Click(); }
void FormUtama::MHelp2_Click() { openHelp(); }

// --- Pointer movement ----------------------------------------------------------------------

void FormUtama::Image1_MouseMove()
{
    Reset({&m_home, &m_scan, &m_qua, &m_che, &m_exit, &m_help, &m_about, &m_update, &m_processMan, &m_toolsReg,
           &m_quickHelp});
}

void FormUtama::resetSmallButtons() { Reset({&m_update, &m_processMan, &m_toolsReg, &m_quickHelp}); }
void FormUtama::Iwelcom_MouseMove() { resetSmallButtons(); }
void FormUtama::IQuickBack_MouseMove() { resetSmallButtons(); }

void FormUtama::Ihome_MouseMove() { Enter(m_home); }
void FormUtama::Iscan_MouseMove() { Enter(m_scan); }
void FormUtama::Iqua_MouseMove() { Enter(m_qua); }
void FormUtama::Iche_MouseMove() { Enter(m_che); }
void FormUtama::Iexit_MouseMove() { Enter(m_exit); }
void FormUtama::Ihelp_MouseMove() { Enter(m_help); }
void FormUtama::Iabout_MouseMove() { Enter(m_about); }
void FormUtama::IUpdate_MouseMove() { Enter(m_update, {&m_processMan}); }
void FormUtama::IProcessMan_MouseMove() { Enter(m_processMan, {&m_update, &m_toolsReg}); }
void FormUtama::IToolsReg_MouseMove() { Enter(m_toolsReg, {&m_quickHelp, &m_processMan}); }

void FormUtama::IQuickHelp_MouseMove() { Enter(m_quickHelp, {&m_toolsReg}, NeighbourRest::RestingShownFirst); }

void FormUtama::closeEvent(QCloseEvent* event)
{
    // Closing the main window by any means ends the program, every screen with it.
    event->accept();
    m_navigator.exitProgram();
}

}  // namespace quenno::shell
