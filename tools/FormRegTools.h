#pragma once
// The registry repair screen: one-click repairs of the settings malware uses to lock the
// user out, and the attribute restorer for the folder picked in its drive, folder and file
// lists.

#include "FileLists.h"
#include "shell/Form.h"
#include "shell/PictureButton.h"

#include <cstdint>
#include <initializer_list>

namespace quenno::tools {

class FormRegTools : public shell::Form {
    Q_OBJECT
public:
    explicit FormRegTools(const platform::Platform& platform);
    ~FormRegTools() override;

    void Form_Load();  // opening steps (run by the constructor)

    // The repairs; each shows its confirmation whether or not the registry took the change.
    void IRegSysresb_Click();
    void IRegFolderb_Click();
    void IRegEditb_Click();
    void IRegCMDb_Click();
    void IRegExtb_Click();
    void IRegHiddenb_Click();
    void IRegTaskb_Click();
    void IRegRunb_Click();
    void IRegCloseb_Click();
    void IRegAttributb_Click();

    // Every file of the folder gets normal attributes; a file that refuses is skipped.
    void RestoreAttributes();

    void Drive1_Change();
    void Dir1_Change();

    void Image1_MouseMove();
    void IRegAttribut_MouseMove();
    void IRegSysres_MouseMove();
    void IRegFolder_MouseMove();
    void IRegEdit_MouseMove();
    void IRegCMD_MouseMove();
    void IRegExt_MouseMove();
    void IRegHidden_MouseMove();
    void IRegTask_MouseMove();
    void IRegRun_MouseMove();
    void IRegClose_MouseMove();

private:
    struct Operation {
        enum Kind { Set, Delete } kind;
        const char* path;
        std::int16_t data;
    };
    void repair(std::initializer_list<Operation> operations, const QString& message);

    shell::Picture* Image1 = nullptr;
    shell::PictureButton m_attribut, m_sysres, m_folder, m_edit, m_cmd, m_ext, m_hidden, m_task, m_run, m_close;
    DriveList* Drive1 = nullptr;
    DirList* Dir1 = nullptr;
    FileList* File1 = nullptr;
};

}  // namespace quenno::tools
