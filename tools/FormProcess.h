#pragma once
// The process manager: the running processes with their ids, the image path and size of
// the selected one, Kill, and a rebuild of the lists every 35 seconds.

#include "shell/Form.h"
#include "shell/PictureButton.h"

#include <cstdint>
#include <string>

class QLabel;
class QListWidget;
class QTimer;

namespace quenno::tools {

class FormProcess : public shell::Form {
    Q_OBJECT
public:
    explicit FormProcess(const platform::Platform& platform);
    ~FormProcess() override;

    void Form_Load();  // opening steps (run by the constructor)
    void ListProcesses();
    // Full image path of the process, or "" when it cannot be read.
    std::string PathByPID(std::uint32_t pid) const;

    void List1_Click();
    void IProcessKillb_Click();
    void IProcessDeleteb_Click();
    void Timer1_Timer();

    void Image1_MouseMove();
    void IProcessKill_MouseMove();
    void IProcessDelete_MouseMove();

private:
    QTimer* Timer1 = nullptr;
    QListWidget* List1 = nullptr;  // image names
    QListWidget* List2 = nullptr;  // process ids, parallel to List1
    QLabel* lblPath = nullptr;
    QLabel* lblSize = nullptr;
    shell::Picture* Image1 = nullptr;
    shell::PictureButton m_kill;  // IProcessKill / IProcessKillb
    shell::PictureButton m_close;  // IProcessDelete / IProcessDeleteb
};

}  // namespace quenno::tools
