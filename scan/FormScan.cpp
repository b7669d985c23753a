#include "FormScan.h"

#include "MdlBrowsFolder.h"
#include "detection/DateRule.h"
#include "mdlWinExit.h"
#include "shell/modAniGif.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QTimer>

namespace quenno::scan {
QString FormScan::fromFileBytes(const std::string& bytes)
{
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

FormScan::FormScan(const platform::Platform& platform)
    : shell::Form(platform, QStringLiteral("FormScan"), QStringLiteral("Scanning"), {499, 499},
                  TitleButtons::MinimizeClose),
      m_signatures(*platform.files, platform.files->inDataFolder(std::string("\\") + detection::kDatabaseName))
{
    buildControls();
    connectHandlers();
    Form_Load();
}

FormScan::~FormScan()
{
    // A scan still on the stack below us notices through its guarded view and stops.
    StopScan = true;
    *m_alive = false;
}

void FormScan::connectHandlers()
{
    using shell::Picture;
    const auto onClick = [this](Picture* p, void (FormScan::*handler)()) {
        connect(p, &Picture::Click, this, handler);
    };
    const auto onMove = [this](Picture* p, void (FormScan::*handler)()) {
        connect(p, &Picture::MouseMove, this, handler);
    };
    onClick(m_browse.hover, &FormScan::IScanBrowseb_Click);
    onClick(m_folder.hover, &FormScan::IScanFolderb_Click);
    onClick(m_stop.hover, &FormScan::IScanStopb_Click);
    onClick(m_delete.hover, &FormScan::IScanDeleteb_Click);
    onClick(m_qua.hover, &FormScan::IscanQuab_Click);
    onClick(m_full.rest, &FormScan::IScanFull_Click);
    onClick(m_full.hover, &FormScan::IScanFullb_Click);
    onClick(m_kill.rest, &FormScan::IscanKillProcess_Click);
    onClick(m_kill.hover, &FormScan::IscanKillProcessb_Click);
    onClick(m_clear.rest, &FormScan::IscanClearLs_Click);
    onClick(m_clear.hover, &FormScan::IscanClearLsb_Click);
    onClick(m_star.rest, &FormScan::IscanStar_Click);
    onClick(m_star.hover, &FormScan::IscanStarb_Click);
    onClick(m_tray.rest, &FormScan::IScanTray_Click);
    onClick(m_tray.hover, &FormScan::IScanTrayb_Click);

    onMove(IScanBack, &FormScan::IScanBack_MouseMove);
    onMove(m_browse.rest, &FormScan::IScanBrowse_MouseMove);
    onMove(m_folder.rest, &FormScan::IScanFolder_MouseMove);
    onMove(m_stop.rest, &FormScan::IScanStop_MouseMove);
    onMove(m_delete.rest, &FormScan::IScanDelete_MouseMove);
    onMove(m_qua.rest, &FormScan::IscanQua_MouseMove);
    onMove(m_full.rest, &FormScan::IScanFull_MouseMove);
    onMove(m_kill.rest, &FormScan::IscanKillProcess_MouseMove);
    onMove(m_star.rest, &FormScan::IscanStar_MouseMove);
    onMove(m_tray.rest, &FormScan::IScanTray_MouseMove);
    onMove(m_clear.rest, &FormScan::IscanClearLs_MouseMove);

    connect(Timer1, &QTimer::timeout, this, &FormScan::Timer1_Timer);
    // A click on a line, or a move of the selection with the keyboard.
    connect(lstVirusFound, &QListWidget::itemClicked, this, [this] { lstVirusFound_Click(); });
    connect(lstVirusFound, &QListWidget::currentRowChanged, this, [this] { lstVirusFound_Click(); });
}

// ---- Opening steps ----------------------------------------------------------------------

void FormScan::Form_Load()
{
    platform::FileSystem& files = *m_platform.files;
    const std::string& db = m_signatures.path();

    if (!files.exists(db))
        files.writeWholeFile(db, "");

    const bool readable = m_signatures.LoadSignatures();

    txtPath->setText(WindowsDirectory());
    lblStatus->setText(QStringLiteral("Please Browse and Select Folder To Scan"));

    if (const auto created = files.creationTime(db)) {
        const QDateTime when = QDateTime::fromSecsSinceEpoch(
            std::chrono::duration_cast<std::chrono::seconds>(created->time_since_epoch()).count());
        lblDate->setText(QStringLiteral("  ") + QLocale().toString(when, QLocale::ShortFormat));
        if (detection::DateIsOld(*created, m_platform.clock->now())) {
            QPalette palette = lblDate->palette();
            palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
            lblDate->setPalette(palette);
        }
    }
    if (const auto whole = detection::ReadWholeFile(files, db))
        lblKnown->setText(QString::fromStdString(detection::CountText(*whole)));

    if (m_signatures.LoadRecords()) {
        m_signatures.ExeFiles();
    } else if (!files.exists(db)) {
        m_platform.messages->show(QStringLiteral("Record file is missing."), platform::MessageBoxes::Style::Ok);
    }
    if (!readable && files.exists(db)) {
        // The file is left exactly as it is: nothing is written back after a failed read.
        m_platform.messages->show(QStringLiteral("The signature list ") + fromFileBytes(db) +
                                      QStringLiteral(" cannot be read. No file can be detected until it can be read."),
                                  platform::MessageBoxes::Style::Critical);
    }
    fillDataHolders();

    for (const shell::PictureButton* pair : {&m_browse, &m_folder, &m_stop, &m_delete, &m_qua, &m_full, &m_kill,
                                             &m_star, &m_tray, &m_clear})
        pair->toRest();
    IscanReady->hide();
    for (QLabel* hint : {LblProces, LblStartUp, LblTray, LblClearList, LblGuard})
        hint->hide();

    Text1->setText(appPath("\\Bar.ocx"));
    Timer1->stop();
}

void FormScan::fillDataHolders()
{
    const auto fill = [](QListWidget* list, const std::vector<std::string>& items) {
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(items.size()));
        for (const auto& item : items)
            texts.append(QString::fromLocal8Bit(QByteArray::fromStdString(item)));
        list->clear();
        list->addItems(texts);
    };
    fill(wName, m_signatures.wName());
    fill(wSign, m_signatures.wSign());
    fill(List1, m_signatures.List1());
    // Indexed here, when the list is read, rather than at the start of a run, where it
    // would hold up the window before the first event is let through.
    m_index = std::make_shared<const detection::SignatureIndex>(m_signatures.wName(), m_signatures.wSign());
    Text2->setText(QString::fromLocal8Bit(QByteArray::fromStdString(m_signatures.Text2())));
}

// ---- Browsing, stop, options -------------------------------------------------------------

void FormScan::IScanBrowseb_Click()
{
    const QString folder = BrowseFolder(m_platform.folders, QStringLiteral("Please Select Drive & Directory You Want Scan:"));
    if (!folder.isEmpty())
        txtPath->setText(folder);
}

void FormScan::IScanStopb_Click()
{
    StopScan = true;
}

void FormScan::switchOption(const shell::PictureButton& option, bool on)
{
    if (on) {
        PlaySound(appPath("\\Activated.wav"));
        option.light();
    } else {
        option.toRest();
    }
}

// The option shows what the signature list holds: when the list cannot be rewritten the
// option goes back to where it was and the user is told, instead of showing a mode that
// the next scan would not use.
void FormScan::IScanFull_Click()
{
    switchOption(m_full, true);
    const bool written = m_signatures.AllFiles();
    fillDataHolders();
    if (!written)
        modeNotSwitched(false);
}

void FormScan::IScanFullb_Click()
{
    switchOption(m_full, false);
    const bool written = m_signatures.ExeFiles();
    fillDataHolders();
    if (!written)
        modeNotSwitched(true);
}

void FormScan::modeNotSwitched(bool fullModeStays)
{
    if (fullModeStays)
        m_full.light();
    else
        m_full.toRest();
    m_platform.messages->show(QStringLiteral("The signature list ") + fromFileBytes(m_signatures.path())
                                  + QStringLiteral(" could not be rewritten, so the scan mode stays ")
                                  + (fullModeStays ? QStringLiteral("full scanning.") : QStringLiteral("normal.")),
                              platform::MessageBoxes::Style::Critical);
}

void FormScan::IscanKillProcess_Click() { switchOption(m_kill, true); }
void FormScan::IscanKillProcessb_Click() { switchOption(m_kill, false); }
void FormScan::IscanClearLs_Click() { switchOption(m_clear, true); }
void FormScan::IscanClearLsb_Click() { switchOption(m_clear, false); }

void FormScan::lstVirusFound_Click()
{
    const int row = lstVirusFound->currentRow();
    if (row < 0 || row >= lstFound->count())
        return;
    lblStatus->setText(lstFound->item(row)->text());
}

void FormScan::ShowVirusCount()
{
    lblStatus->setText(QStringLiteral("Virus Found : ") + QString::number(lstFound->count()));
}

// ---- Pointer movement ----------------------------------------------------------------------

void FormScan::IScanBack_MouseMove()
{
    shell::Reset({&m_browse, &m_folder, &m_stop, &m_delete, &m_qua});
    for (QLabel* hint : {LblProces, LblStartUp, LblTray, LblClearList, LblGuard})
        hint->hide();
}

void FormScan::IScanBrowse_MouseMove() { Enter(m_browse); }
void FormScan::IScanFolder_MouseMove() { Enter(m_folder); }
void FormScan::IScanStop_MouseMove() { Enter(m_stop); }
void FormScan::IScanDelete_MouseMove() { Enter(m_delete); }
void FormScan::IscanQua_MouseMove() { Enter(m_qua); }
void FormScan::IScanFull_MouseMove() { LblGuard->show(); }
void FormScan::IscanKillProcess_MouseMove() { LblProces->show(); }
void FormScan::IscanStar_MouseMove() { LblStartUp->show(); }
void FormScan::IScanTray_MouseMove() { LblTray->show(); }
void FormScan::IscanClearLs_MouseMove() { LblClearList->show(); }

// ---- Closing -------------------------------------------------------------------------------

void FormScan::closeEvent(QCloseEvent* event)
{
    if (m_scanning) {
        // The run is on the stack below this event: ask it to stop, and close once it
        // has returned, so nothing it still does meets a deleted screen.
        StopScan = true;
        m_closeAfterScan = true;
        event->ignore();
        return;
    }
    shell::Form::closeEvent(event);
}

} // namespace quenno::scan
