#pragma once
// The checksum checker: the checksum text of any file picked in the drive, folder and file
// lists, to compare with or add to the signature list. No buttons; closed by its frame.

#include "FileLists.h"
#include "detection/CRC.h"
#include "shell/Form.h"

#include <cstdint>
#include <memory>

class QLineEdit;

namespace quenno::shell {
class Picture;
}

namespace quenno::tools {

class FormCRCGen : public shell::Form {
    Q_OBJECT
public:
    explicit FormCRCGen(const platform::Platform& platform);
    ~FormCRCGen() override;

    void Drive1_Change();
    void Dir1_Change();
    // Shows the checksum of the selected file. Pending events run while it is computed, so
    // another click can run inside this one: only the file selected last gets shown.
    void File1_Click();

protected:
    // Closing while a checksum is computed (its pending events run) hides the screen; it is
    // unloaded once the computation is over, never under it.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Shared with a computation under way, which may outlive a closed screen.
    std::shared_ptr<detection::CRC> CRC1;
    std::uint64_t m_selection = 0;  // counts File1_Click runs
    int m_computing = 0;  // File1_Click runs under way (nested ones included)
    bool m_closeWhenDone = false;

    shell::Picture* Image1 = nullptr;
    DriveList* Drive1 = nullptr;
    DirList* Dir1 = nullptr;
    FileList* File1 = nullptr;
    QLineEdit* txtCRC = nullptr;
};

}  // namespace quenno::tools
