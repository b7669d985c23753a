#pragma once
// The main window: five large picture buttons (Home, Scan, Quarantine, Check CRC, Exit),
// Help and About at the top, the welcome panel with the quick-help panel over it, four
// small buttons (Update virus list, Process manager, Registry tools, Quick help) and a menu
// bar with the same commands. Every other screen is opened from here; closing this window
// by any means ends the program with every screen.

#include "Form.h"
#include "Navigator.h"
#include "Picture.h"
#include "PictureButton.h"

class QMenuBar;

namespace quenno::shell {

class FormUtama final : public Form {
    Q_OBJECT
public:
    FormUtama(const platform::Platform& platform, Navigator& navigator);

    // The client area under the menu bar (699 × 524): every picture lives on it.
    QWidget* clientArea() const { return m_client; }

    void Form_Load();  // opening steps (run by the constructor)

    // Commands
    void Ihomeb_Click();
    void Iscanb_Click();
    void Iquab_Click();
    void Icheb_Click();
    void Iexitb_Click();
    void Ihelpb_Click();
    void Iaboutb_Click();
    void IUpdateb_Click();
    void IProcessManb_Click();
    void IToolsRegb_Click();
    void IQuickHelpb_Click();

    // Menu items
    void MHome_Click();
    void MExit_Click();
    void MCheckCRC_Click();
    void Scan_Click();
    void MQuaranine_Click();
    void ProcessMan_Click();
    void ToolsReg_Click();
    void MUpdate_Click();
    void MAbout_Click();
    void MQuick_Click();
    void MHelp2_Click();

    // Pointer movement
    void Image1_MouseMove();
    void Iwelcom_MouseMove();
    void IQuickBack_MouseMove();
    void Ihome_MouseMove();
    void Iscan_MouseMove();
    void Iqua_MouseMove();
    void Iche_MouseMove();
    void Iexit_MouseMove();
    void Ihelp_MouseMove();
    void Iabout_MouseMove();
    void IUpdate_MouseMove();
    void IProcessMan_MouseMove();
    void IToolsReg_MouseMove();
    void IQuickHelp_MouseMove();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Picture* addPicture(const char* name, QPoint pos, QSize size);
    PictureButton addButton(const char* rest, QPoint restPos, QSize restSize, const char* hover, QPoint hoverPos,
                            QSize hoverSize);
    void buildPictures();
    void buildMenu();
    void connectPictures();
    void openHelp();
    void resetSmallButtons();

    Navigator& m_navigator;
    QMenuBar* m_menuBar = nullptr;
    QWidget* m_client = nullptr;

    Picture* Image1 = nullptr;
    Picture* Iwelcom = nullptr;
    Picture* IQuickBack = nullptr;
    PictureButton m_home;  // Ihome / Ihomeb
    PictureButton m_scan;  // Iscan / Iscanb
    PictureButton m_qua;  // Iqua / Iquab
    PictureButton m_che;  // Iche / Icheb
    PictureButton m_exit;  // Iexit / Iexitb
    PictureButton m_help;  // Ihelp / Ihelpb
    PictureButton m_about;  // Iabout / Iaboutb
    PictureButton m_update;  // IUpdate / IUpdateb
    PictureButton m_processMan;  // IProcessMan / IProcessManb
    PictureButton m_toolsReg;  // IToolsReg / IToolsRegb
    PictureButton m_quickHelp;  // IQuickHelp / IQuickHelpb
};

}  // namespace quenno::shell
