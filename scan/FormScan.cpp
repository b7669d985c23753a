#include "FormScan.h"

#include "DatabaseListModel.h"
#include "MdlBrowsFolder.h"
#include "detection/SignatureFile.h"
#include "detection/DateRule.h"
#include "mdlWinExit.h"
#include "shell/AppFiles.h"
#include "shell/ByteText.h"
#include "shell/modAniGif.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace quenno::scan {

namespace {

// A label's text on one line: a text wider than the label is drawn in a smaller size of
// its font, down to smallest, rather than cut (a count of 100,000 signatures in the count
// label's 33 pixels read "1000").
void showFitted(QLabel* label, const QString& text, qreal smallest)
{
    label->setText(text);
    QFont font = label->font();
    // Each size tried loads a font of its own, which stays cached: the size is worked out
    // from the text's width at the current one, and only a step or two are tried after it.
    const int wide = QFontMetrics(font).horizontalAdvance(text);
    if (wide <= label->width())
        return;
    const qreal quarters = std::floor(font.pointSizeF() * label->width() / wide * 4);
    font.setPointSizeF(std::max(smallest, quarters / 4));
    while (font.pointSizeF() > smallest && QFontMetrics(font).horizontalAdvance(text) > label->width())
        font.setPointSizeF(std::max(smallest, font.pointSizeF() - 0.25));
    label->setFont(font);
}

}  // namespace

FormScan::FormScan(const platform::Platform& platform)
    : shell::Form(platform, QStringLiteral("FormScan"), QStringLiteral("Scanning"), {499, 499},
                  TitleButtons::MinimizeClose),
      m_dbPath(platform.files->inDataFolder(std::string("\\") + detection::kDatabaseName))
{
    buildControls();
    connectHandlers();
    Form_Load();
}

FormScan::~FormScan()
{
    // A scan still on the stack below us notices through its guarded view and stops.
    StopScan = true;
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
    connect(lstVirusFound, &QListWidget::itemClicked, this, [this] {
        lstVirusFound_Click();
    });
    connect(lstVirusFound, &QListWidget::currentRowChanged, this, [this] {
        lstVirusFound_Click();
    });
}

// ---- Opening steps ----------------------------------------------------------------------

void FormScan::Form_Load()
{
    platform::FileSystem& files = *m_platform.files;
    const std::string& db = m_dbPath;

    if (!files.exists(db))
        files.writeWholeFile(db, "");

    // One read serves the lists, the count label and the switch back to normal mode.
    std::optional<std::string> text = detection::ReadWholeFile(files, db);
    const bool readable = text.has_value();

    txtPath->setText(WindowsDirectory());
    lblStatus->setText(QStringLiteral("Please Browse and Select Folder To Scan"));

    showDate();
    if (text) {
        showFitted(lblKnown, QString::fromStdString(detection::CountText(*text)), 5.0);
        m_recordsRead = DatabaseLists::Holds(*text);
    }

    if (m_recordsRead) {
        const Rewrite normal = switchMode(false, std::move(text));
        if (!normal.written) {
            m_platform.messages->show(
                QStringLiteral("The signature list ") + shell::TextOfBytes(db)
                    + QStringLiteral(" could not be put back in normal mode: ") + normal.reason
                    + QStringLiteral(". Scans from this screen still use normal mode (*.exe files of up to 50000 "
                                     "bytes), as its options show."),
                platform::MessageBoxes::Style::Critical);
        }
    } else if (!files.exists(db)) {
        m_platform.messages->show(QStringLiteral("Record file is missing."), platform::MessageBoxes::Style::Ok);
    }
    if (!m_recordsRead && files.exists(db)) {
        // The file is left exactly as it is: nothing is written back after a failed read.
        m_platform.messages->show(
            QStringLiteral("The signature list ") + shell::TextOfBytes(db)
                + (readable ? QStringLiteral(" is too large to be held") : QStringLiteral(" cannot be read"))
                + QStringLiteral(". No file can be detected until it can be read."),
            platform::MessageBoxes::Style::Critical);
    }
    fillDataHolders();

    for (const shell::PictureButton* pair :
         {&m_browse, &m_folder, &m_stop, &m_delete, &m_qua, &m_full, &m_kill, &m_star, &m_tray, &m_clear})
        pair->toRest();
    IscanReady->hide();
    for (QLabel* hint : {LblProces, LblStartUp, LblTray, LblClearList, LblGuard})
        hint->hide();

    Text1->setText(appPath(shell::appfiles::ProgressAnimation));
    Timer1->stop();
}

// Two spaces and the creation time in the locale's short date and time, on one line: a
// text wider than the label is drawn in a smaller size of its font rather than cut.
void FormScan::showDate()
{
    const auto created = m_platform.files->creationTime(m_dbPath);
    if (!created)
        return;
    const QDateTime when = QDateTime::fromSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::seconds>(created->time_since_epoch()).count());
    showFitted(lblDate, QStringLiteral("  ") + QLocale().toString(when, QLocale::ShortFormat), 6.0);
    if (detection::DateIsOld(*created, m_platform.clock->now())) {
        QPalette palette = lblDate->palette();
        palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
        lblDate->setPalette(palette);
    }
}

void FormScan::fillDataHolders()
{
    for (DatabaseListModel* rows : {m_list1Rows, m_nameRows, m_signRows})
        rows->setLists(m_lists);
    Text2->setText(shell::TextOfBytes(m_text2));
}

// ExeFiles and AllFiles: the settings line of the file as it is now (the user may have
// edited it since the screen loaded; the load step hands over what it has just read) is
// switched and the file rewritten. A file that exists but cannot be read is left alone; one
// that vanished is written again from the lines last read. A file changed on disk between
// reading and writing is read and switched again, and after a few such tries left to
// whoever keeps changing it. Only a rewrite changes the mode the next scan uses.
FormScan::Rewrite FormScan::switchMode(bool full, std::optional<std::string> current)
{
    m_text2 = full ? "100000;*.*;Limits dan ekstensi" : detection::kNormalSettings;
    platform::FileSystem& files = *m_platform.files;
    // The old lists go first, but for their bytes, so that a big list is not held twice
    // over while the new one is built.
    std::shared_ptr<const std::string> lastRead = m_lists->sharedText();
    m_lists = std::make_shared<const DatabaseLists>();
    fillDataHolders();
    Rewrite rewrite;
    std::string shown;
    for (int attempt = 0; attempt < detection::kSwitchAttempts; ++attempt) {
        if (!current)
            current = detection::ReadWholeFile(files, m_dbPath);
        const bool fromFile = current.has_value();
        if (fromFile) {
            m_recordsRead = true;
        } else if (files.exists(m_dbPath) || !m_recordsRead) {
            m_lists = std::make_shared<const DatabaseLists>(*lastRead);
            fillDataHolders();
            return {false, QStringLiteral("it cannot be read")};
        } else {
            current = *lastRead;
        }
        const std::string_view settingsLine = full ? detection::kFullSettings : detection::kNormalSettings;
        detection::SwitchedSettings switched = detection::SwitchSettingsLine(std::move(*current), settingsLine);
        current.reset();
        if (fromFile && switched.replaced == settingsLine) {
            // Already in that mode: nothing to write, so a list that cannot be written (or
            // is kept read-only on purpose) opens without a false alarm and keeps its time.
            rewrite = {true, {}};
            shown = std::move(switched.text);
            break;
        }
        // What the file held when it was read, named without a second copy of it.
        const platform::ExpectedBytes before{
            {switched.replaced, std::string_view(switched.text).substr(switched.keptFrom)}};
        rewrite = rewriteDatabase(switched.text, fromFile ? &before : nullptr);
        shown = std::move(switched.text);
        if (rewrite.written || !rewrite.changedMeanwhile)
            break;
    }
    lastRead.reset();
    if (rewrite.written) {
        m_fullMode = full;
    } else if (auto asItIs = detection::ReadWholeFile(files, m_dbPath)) {
        shown = std::move(*asItIs);  // the lists show the file, which stayed as it was
    }
    m_lists = std::make_shared<const DatabaseLists>(std::move(shown));
    fillDataHolders();
    return rewrite;
}

// The one place where the screen writes database.db: through a symbolic link, which stays.
FormScan::Rewrite FormScan::rewriteDatabase(const std::string& text, const platform::ExpectedBytes* before)
{
    platform::RewriteOptions options;
    options.throughLink = true;
    options.expected = before;
    const platform::WriteResult result = m_platform.files->rewriteWholeFile(m_dbPath, text, options);
    if (result)
        return {true, {}};
    return {false, QString::fromStdString(platform::DescribeWriteFailure(result)),
            result.failure == platform::WriteFailure::Changed};
}

// ---- Browsing, stop, options -------------------------------------------------------------

void FormScan::IScanBrowseb_Click()
{
    const shell::Liveness::Watch self = watch();
    const QString folder
        = BrowseFolder(m_platform.folders, QStringLiteral("Please Select Drive & Directory You Want Scan:"));
    if (self.alive() && !folder.isEmpty())
        txtPath->setText(folder);
}

void FormScan::IScanStopb_Click() { StopScan = true; }

void FormScan::switchOption(const shell::PictureButton& option, bool on)
{
    if (on) {
        PlaySound(appPath(shell::appfiles::ActivatedSound));
        option.light();
    } else {
        option.toRest();
    }
}

// The option shows the mode the next scan uses: when the list cannot be rewritten the
// option goes back to where it was and the user is told, instead of showing a mode that
// the next scan would not use.
void FormScan::IScanFull_Click()
{
    switchOption(m_full, true);
    if (const Rewrite rewrite = switchMode(true); !rewrite.written)
        modeNotSwitched(m_fullMode, rewrite.reason);
}

void FormScan::IScanFullb_Click()
{
    switchOption(m_full, false);
    if (const Rewrite rewrite = switchMode(false); !rewrite.written)
        modeNotSwitched(m_fullMode, rewrite.reason);
}

void FormScan::modeNotSwitched(bool fullModeStays, const QString& reason)
{
    if (fullModeStays)
        m_full.light();
    else
        m_full.toRest();
    m_platform.messages->show(QStringLiteral("The signature list ") + shell::TextOfBytes(m_dbPath)
                                  + QStringLiteral(" could not be rewritten (") + reason
                                  + QStringLiteral("), so the scan mode stays ")
                                  + (fullModeStays ? QStringLiteral("full scanning: the next scan checks every file "
                                                                    "of up to 100000 bytes.")
                                                   : QStringLiteral("normal: the next scan checks *.exe files of "
                                                                    "up to 50000 bytes.")),
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

}  // namespace quenno::scan
