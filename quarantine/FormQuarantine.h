#pragma once
// The quarantine manager: lists the files of the quarantine folder and deletes one after
// the user confirms.

#include "shell/Form.h"
#include "shell/Picture.h"
#include "shell/PictureButton.h"

class QListWidget;

namespace quenno::quarantine {

class FormQuarantine : public shell::Form {
    Q_OBJECT
public:
    explicit FormQuarantine(const platform::Platform& platform);

    // Opening steps (run by the constructor).
    void Form_Load();
    void IQuaDeleteb_Click();
    void IQuaDelete_MouseMove();
    void IQuaBackground_MouseMove();

    // The folder the list shows, as the file system spells it.
    const std::string& folder() const { return m_folder; }

private:
    // Reads the folder into the list. False (and the list empty) when it cannot be read.
    bool readFolder();
    std::string selectedName() const;

    std::string m_folder;
    QListWidget* FileListQua = nullptr;
    shell::Picture* IQuaBackground = nullptr;
    shell::PictureButton m_delete;
};

}  // namespace quenno::quarantine
