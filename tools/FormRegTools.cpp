#include "FormRegTools.h"

#include "ToolsLayout.h"
#include "regedit.h"

namespace quenno::tools {

namespace {

constexpr char Screen[] = "FormRegTools";

}  // namespace

FormRegTools::FormRegTools(const platform::Platform& platform)
    : Form(platform, QStringLiteral("FormRegTools"), QStringLiteral("RegTools"), QSize(456, 435), TitleButtons::None)
{
    using namespace layout;
    // Lowest first, so each control lies over the ones created before it.
    Image1 = picture(this, Screen, "Image1", QRect(0, 0, 456, 434));
    m_folder.rest = picture(this, Screen, "IRegFolder", QRect(27, 128, 31, 30));
    m_edit.rest = picture(this, Screen, "IRegEdit", QRect(28, 165, 30, 30));
    m_cmd.rest = picture(this, Screen, "IRegCMD", QRect(27, 201, 31, 30));
    m_ext.rest = picture(this, Screen, "IRegExt", QRect(27, 236, 30, 30));
    m_hidden.rest = picture(this, Screen, "IRegHidden", QRect(28, 271, 30, 29));
    m_task.rest = picture(this, Screen, "IRegTask", QRect(28, 304, 31, 30));
    m_run.rest = picture(this, Screen, "IRegRun", QRect(28, 336, 30, 32));
    m_edit.hover = picture(this, Screen, "IRegEditb", QRect(27, 165, 178, 30));
    m_cmd.hover = picture(this, Screen, "IRegCMDb", QRect(27, 201, 171, 30));
    m_task.hover = picture(this, Screen, "IRegTaskb", QRect(28, 304, 158, 30));
    m_folder.hover = picture(this, Screen, "IRegFolderb", QRect(26, 128, 165, 30));
    m_close.rest = picture(this, Screen, "IRegClose", QRect(112, 384, 111, 34));
    m_close.hover = picture(this, Screen, "IRegCloseb", QRect(112, 383, 111, 35));
    m_run.hover = picture(this, Screen, "IRegRunb", QRect(27, 338, 199, 29));
    m_sysres.rest = picture(this, Screen, "IRegSysres", QRect(251, 40, 32, 31));
    m_attribut.rest = picture(this, Screen, "IRegAttribut", QRect(253, 80, 31, 30));
    m_sysres.hover = picture(this, Screen, "IRegSysresb", QRect(251, 41, 178, 30));
    m_attribut.hover = picture(this, Screen, "IRegAttributb", QRect(253, 80, 152, 30));
    m_ext.hover = picture(this, Screen, "IRegExtb", QRect(28, 236, 209, 30));
    m_hidden.hover = picture(this, Screen, "IRegHiddenb", QRect(28, 271, 210, 28));

    // The attribute restorer works on every file, hidden and system ones included.
    File1 = new FileList(this, QStringLiteral("File1"), *platform.files, FileList::Filter{true, true, "*.*"});
    File1->setGeometry(280, 304, 145, 114);
    File1->setFont(fontOf(OcrA, 8.25));
    Drive1 = new DriveList(this, QStringLiteral("Drive1"), DriveList::mountedVolumes(platform.volumes));
    Drive1->setGeometry(280, 120, 145, 19);
    Drive1->setFont(fontOf(OcrB, 8.25));
    Dir1 = new DirList(this, QStringLiteral("Dir1"), *platform.files, true);
    Dir1->setGeometry(280, 152, 145, 146);
    Dir1->setFont(fontOf(OcrA, 8.25));

    connect(Drive1, &DriveList::Change, this, &FormRegTools::Drive1_Change);
    connect(Dir1, &DirList::Change, this, &FormRegTools::Dir1_Change);

    const std::pair<shell::PictureButton*, void (FormRegTools::*)()> clicks[] = {
        {&m_attribut, &FormRegTools::IRegAttributb_Click}, {&m_sysres, &FormRegTools::IRegSysresb_Click},
        {&m_folder, &FormRegTools::IRegFolderb_Click},     {&m_edit, &FormRegTools::IRegEditb_Click},
        {&m_cmd, &FormRegTools::IRegCMDb_Click},           {&m_ext, &FormRegTools::IRegExtb_Click},
        {&m_hidden, &FormRegTools::IRegHiddenb_Click},     {&m_task, &FormRegTools::IRegTaskb_Click},
        {&m_run, &FormRegTools::IRegRunb_Click},           {&m_close, &FormRegTools::IRegCloseb_Click},
    };
    for (const auto& [button, handler] : clicks)
        connect(button->hover, &shell::Picture::Click, this, handler);
    const std::pair<shell::PictureButton*, void (FormRegTools::*)()> moves[] = {
        {&m_attribut, &FormRegTools::IRegAttribut_MouseMove}, {&m_sysres, &FormRegTools::IRegSysres_MouseMove},
        {&m_folder, &FormRegTools::IRegFolder_MouseMove},     {&m_edit, &FormRegTools::IRegEdit_MouseMove},
        {&m_cmd, &FormRegTools::IRegCMD_MouseMove},           {&m_ext, &FormRegTools::IRegExt_MouseMove},
        {&m_hidden, &FormRegTools::IRegHidden_MouseMove},     {&m_task, &FormRegTools::IRegTask_MouseMove},
        {&m_run, &FormRegTools::IRegRun_MouseMove},           {&m_close, &FormRegTools::IRegClose_MouseMove},
    };
    for (const auto& [button, handler] : moves)
        connect(button->rest, &shell::Picture::MouseMove, this, handler);
    connect(Image1, &shell::Picture::MouseMove, this, &FormRegTools::Image1_MouseMove);

    Form_Load();
}

FormRegTools::~FormRegTools() = default;

void FormRegTools::Form_Load() { Image1_MouseMove(); }

void FormRegTools::repair(std::initializer_list<Operation> operations, const QString& message)
{
    for (const Operation& operation : operations) {
        if (operation.kind == Operation::Set)
            regedit::WriteRegDword(m_platform.registry, operation.path, operation.data);
        else
            regedit::DeleteRegValue(m_platform.registry, operation.path);
    }
    // A problem with the store (lines it cannot read) is told once, before the confirmation.
    const shell::Liveness::Watch self = watch();
    if (m_platform.registry) {
        const std::string problem = m_platform.registry->takeProblem();
        if (!problem.empty())
            m_platform.messages->show(QString::fromStdString(problem), platform::MessageBoxes::Style::Critical);
    }
    if (self.alive())
        m_platform.messages->show(message, platform::MessageBoxes::Style::Information);
}

void FormRegTools::IRegSysresb_Click()
{
    repair({{Operation::Set,
             "HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Microsoft\\Windows NT\\SystemRestore\\DisableConfig", 1}},
           QStringLiteral("System Restore has been disabled"));
}

void FormRegTools::IRegFolderb_Click()
{
    repair({{Operation::Delete,
             "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\NoFolderOptions", 0}},
           QStringLiteral("Folder Option has been enable"));
}

void FormRegTools::IRegEditb_Click()
{
    repair({{Operation::Delete,
             "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\DisableRegistryTools", 0},
            {Operation::Delete, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\DisableRegedit",
             0}},
           QStringLiteral("Regedit has been enable"));
}

void FormRegTools::IRegCMDb_Click()
{
    repair({{Operation::Delete, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\DisableCMD", 0},
            {Operation::Delete, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\DisableCMD", 0}},
           QStringLiteral("Command Prompt has been enable"));
}

void FormRegTools::IRegExtb_Click()
{
    repair({{Operation::Set, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced\\HideFileExt", 0}},
           QStringLiteral("Show Extension Files option has been enable"));
}

void FormRegTools::IRegHiddenb_Click()
{
    repair({{Operation::Set, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced\\Hidden", 1},
            {Operation::Set, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced\\ShowSuperHidden",
             1}},
           QStringLiteral("Show Hidden & Super Hidden Files option has been enable"));
}

void FormRegTools::IRegTaskb_Click()
{
    repair({{Operation::Delete, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\DisableTaskMgr",
             0}},
           QStringLiteral("Task Bar has been enable"));
}

void FormRegTools::IRegRunb_Click()
{
    repair({{Operation::Delete, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\NoRun", 0},
            {Operation::Delete, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\NoFind", 0}},
           QStringLiteral("Run Menu has been enable"));
}

void FormRegTools::IRegCloseb_Click() { close(); }

void FormRegTools::IRegAttributb_Click() { RestoreAttributes(); }

void FormRegTools::RestoreAttributes()
{
    const int files = File1->count();
    for (int i = 0; i < files; ++i) {
        // A file that is gone or refuses is left as it is; the others are still done.
        const std::string path = joinPath(Dir1->path(), File1->name(i), m_platform.files->separator());
        m_platform.files->setAttributes(path, platform::Attribute::Normal);
    }
    m_platform.messages->show(QStringLiteral("All Files on the folder has been process"),
                              platform::MessageBoxes::Style::Information);
}

void FormRegTools::Drive1_Change()
{
    // A drive that cannot be read leaves the folder and file lists where they were.
    if (Dir1->setPath(Drive1->currentFolder()))
        Dir1_Change();
}

void FormRegTools::Dir1_Change()
{
    Drive1->noteFolder(Dir1->path());
    File1->setPath(Dir1->path());
}

void FormRegTools::Image1_MouseMove()
{
    shell::Reset({&m_attribut, &m_sysres, &m_folder, &m_edit, &m_cmd, &m_ext, &m_hidden, &m_task, &m_run, &m_close});
}

void FormRegTools::IRegAttribut_MouseMove() { Enter(m_attribut); }
void FormRegTools::IRegSysres_MouseMove() { Enter(m_sysres); }
void FormRegTools::IRegFolder_MouseMove() { Enter(m_folder); }
void FormRegTools::IRegEdit_MouseMove() { Enter(m_edit); }
void FormRegTools::IRegCMD_MouseMove() { Enter(m_cmd); }
void FormRegTools::IRegExt_MouseMove() { Enter(m_ext); }
void FormRegTools::IRegHidden_MouseMove() { Enter(m_hidden); }
void FormRegTools::IRegTask_MouseMove() { Enter(m_task); }
void FormRegTools::IRegRun_MouseMove() { Enter(m_run); }
void FormRegTools::IRegClose_MouseMove() { Enter(m_close); }

}  // namespace quenno::tools
