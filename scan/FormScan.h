#pragma once
// The scan screen: folder choice, the scan run with its progress animation, the options,
// and the actions on detected files. Every control of its window table exists under its
// own objectName; the data holders that lie outside the window are never shown.

#include "DatabaseLists.h"
#include "ScanRunView.h"
#include "shell/Form.h"
#include "shell/Navigator.h"
#include "shell/Picture.h"
#include "shell/PictureButton.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QTimer;

namespace quenno::shell {
class ImageArray;
class Navigator;
}  // namespace quenno::shell

namespace quenno::scan {

class DatabaseListModel;

class FormScan : public shell::Form, private ScanRunScreen {
    Q_OBJECT
public:
    explicit FormScan(const platform::Platform& platform);
    ~FormScan() override;

    // StopScan: set by the stop button (and by closing the screen), read by the engine.
    bool StopScan = false;
    // Index of the animation frame shown.
    int CurrentFrame = 0;

    // Opening steps (run by the constructor).
    void Form_Load();

    void IScanBrowseb_Click();
    void IScanFolderb_Click();  // a scan run
    void IScanStopb_Click();
    void Timer1_Timer();
    void IScanFull_Click();
    void IScanFullb_Click();
    void lstVirusFound_Click();
    void IScanDeleteb_Click();
    void IscanQuab_Click();
    void IscanKillProcess_Click();
    void IscanKillProcessb_Click();
    void IscanClearLs_Click();
    void IscanClearLsb_Click();
    // The start-up and tray options and the tray icon's messages.
    void IscanStar_Click();
    void IscanStarb_Click();
    void IScanTray_Click();
    void IScanTrayb_Click();
    void TrayMessage(int message);
    // The screens the tray icon hides and brings back; without one its messages do nothing.
    void setNavigator(shell::Navigator* navigator) { m_navigator = navigator; }

    // Pointer movement: buttons light up, options show their hint, the background resets.
    void IScanBack_MouseMove();
    void IScanBrowse_MouseMove();
    void IScanFolder_MouseMove();
    void IScanStop_MouseMove();
    void IScanDelete_MouseMove();
    void IscanQua_MouseMove();
    void IScanFull_MouseMove();
    void IscanKillProcess_MouseMove();
    void IscanStar_MouseMove();
    void IScanTray_MouseMove();
    void IscanClearLs_MouseMove();

    void ShowVirusCount();

    bool scanning() const { return m_scanning; }
    // Longest time between two rounds of pending events during a scan; 0 lets them run at
    // every chance (tests drive the screen from the event pump).
    void setYieldInterval(int milliseconds) { m_yieldIntervalMs = milliseconds; }
    // Whether the next scan uses full scanning (what the full-scanning option shows).
    bool fullMode() const { return m_fullMode; }
    // Full path of each detection as the file system spells it (lstFound's bytes).
    std::string foundPath(int index) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // ScanRunScreen: what a run reads and fills.
    bool stopRequested() const override;
    bool killProcessOn() const override;
    void addResult(const quarantine::DetectedFile& file, const std::string& resultLine) override;
    void showStatus(const std::string& fullPath) override;
    void showNewResults() override;

    // Whether database.db was rewritten, and if not, why not (for the user).
    struct Rewrite {
        bool written = false;
        QString reason;
        bool changedMeanwhile = false;  // another program changed the file since it was read
    };

    void buildControls();
    void connectHandlers();
    void fillDataHolders();
    void showDate();
    Rewrite switchMode(bool full, std::optional<std::string> current = std::nullopt);
    Rewrite rewriteDatabase(const std::string& text, const platform::ExpectedBytes* before);
    void modeNotSwitched(bool fullModeStays, const QString& reason);
    void showDatabaseState(bool readable);
    void startAnimation();
    void stopAnimation();
    void switchOption(const shell::PictureButton& option, bool on);
    void actOnSelection(bool quarantine);
    void tellUnreadable(int files, int folders);
    void tellStoreProblem(const std::string& problem);
    void removeResult(int row);
    std::string folderBytes() const;

    std::string m_dbPath;
    // Shared with a running scan, which keeps the lists it started with.
    std::shared_ptr<const DatabaseLists> m_lists = std::make_shared<const DatabaseLists>();
    std::string m_text2;
    bool m_recordsRead = false;  // database.db was read at least once: it may be written
    // The mode the full-scanning option shows, and the one the next scan uses, whatever
    // the file says when it could not be rewritten.
    bool m_fullMode = false;
    bool m_scanning = false;
    bool m_closeAfterScan = false;
    int m_yieldIntervalMs = 10;
    shell::Navigator* m_navigator = nullptr;

    // Off-window data holders.
    QLineEdit* Text2 = nullptr;
    QListView* List1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QTimer* Timer1 = nullptr;
    QWidget* CRC1 = nullptr;
    QListView* wName = nullptr;
    QListView* wSign = nullptr;
    DatabaseListModel* m_list1Rows = nullptr;
    DatabaseListModel* m_nameRows = nullptr;
    DatabaseListModel* m_signRows = nullptr;
    QListWidget* lstFound = nullptr;
    // Visible controls.
    QLineEdit* txtPath = nullptr;
    QListWidget* lstVirusFound = nullptr;
    QLabel* lblKnown = nullptr;
    QLabel* lblDate = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* LblGuard = nullptr;
    QLabel* LblClearList = nullptr;
    QLabel* LblTray = nullptr;
    QLabel* LblStartUp = nullptr;
    QLabel* LblProces = nullptr;
    shell::Picture* IscanReady = nullptr;
    std::shared_ptr<shell::ImageArray> Image1;  // the animation's frames; element 0 from the start
    shell::Picture* IScanBack = nullptr;
    shell::Picture* m_windowBackground = nullptr;

    shell::PictureButton m_browse, m_folder, m_stop, m_delete, m_qua;
    shell::PictureButton m_full, m_kill, m_star, m_tray, m_clear;
};

}  // namespace quenno::scan
