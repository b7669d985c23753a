// The scan run, the engine's view of the screen and the progress animation.

#include "FormScan.h"

#include "DatabaseListModel.h"
#include "MdlBrowsFolder.h"
#include "detection/SignatureFile.h"
#include "mdlWinExit.h"
#include "shell/AppFiles.h"
#include "shell/ByteText.h"
#include "shell/modAniGif.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

namespace quenno::scan {

// What the engine talks to during one run. It lives on the run's stack and reaches the
// screen through a guarded pointer: if the screen is destroyed while the engine has let
// events run, the engine is told to stop and nothing touches the screen again. It is also
// the checksum component's event pump, so both yield through one throttle.
class FormScan::RunView final : public detection::ScanView, public platform::EventPump {
public:
    explicit RunView(FormScan& form)
        : m_form(&form), m_watch(form.watch()), m_intervalMs(form.m_yieldIntervalMs)
    {
        m_sinceYield.start();
    }

    bool stopRequested() const override
    {
        const FormScan* form = screen();
        return form == nullptr || form->stopRequested();
    }
    void setStatus(const std::string& fullPath) override
    {
        if (FormScan* form = screen())
            form->setStatus(fullPath);
    }
    void addResult(const std::string& fullPath, const std::string& resultLine) override
    {
        if (FormScan* form = screen())
            form->addResult(fullPath, resultLine);
    }
    void addDetection(const detection::Detection& detection) override
    {
        if (FormScan* form = screen())
            form->addDetection(detection);
    }
    void addUnreadable(const std::string& fullPath, bool isFolder) override
    {
        if (FormScan* form = screen())
            form->addUnreadable(fullPath, isFolder);
    }
    bool killProcessOn() const override
    {
        const FormScan* form = screen();
        return form != nullptr && form->killProcessOn();
    }
    void killProcessesNamed(const std::string& bareName) override
    {
        if (FormScan* form = screen())
            form->killProcessesNamed(bareName);
    }
    void letEventsRun() override
    {
        FormScan* form = screen();
        if (form == nullptr || (m_intervalMs > 0 && m_sinceYield.elapsed() < m_intervalMs))
            return;
        form->letEventsRun();  // may destroy the screen; screen() then answers null
        m_sinceYield.restart();
    }

    bool screenGone() const { return screen() == nullptr; }

private:
    FormScan* screen() const { return m_watch.alive() ? m_form : nullptr; }

    FormScan* m_form;
    shell::Liveness::Watch m_watch;
    int m_intervalMs;
    QElapsedTimer m_sinceYield;
};

bool FormScan::stopRequested() const
{
    return StopScan;
}

void FormScan::setStatus(const std::string& fullPath)
{
    m_pendingStatus = fullPath;
    m_statusPending = true;
}

void FormScan::addResult(const std::string& fullPath, const std::string& resultLine)
{
    auto* found = new QListWidgetItem(shell::TextOfBytes(fullPath));
    found->setData(Qt::UserRole, QByteArray::fromStdString(fullPath));
    lstFound->addItem(found);
    // Cut to a length a list can lay out: a record's name may run to megabytes.
    lstVirusFound->addItem(ShownText(resultLine));
    m_resultsPending = true;
}

void FormScan::addUnreadable(const std::string& fullPath, bool isFolder)
{
    (void)fullPath;
    ++(isFolder ? m_unreadableFolders : m_unreadableFiles);
}

// Said after the run, beside the found count, so that a tree with parts that could not be
// read is never taken for clean.
void FormScan::tellUnreadable()
{
    if (m_unreadableFiles == 0 && m_unreadableFolders == 0)
        return;
    const auto counted = [](int n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    QStringList parts;
    if (m_unreadableFiles > 0)
        parts << counted(m_unreadableFiles, "file", "files");
    if (m_unreadableFolders > 0)
        parts << counted(m_unreadableFolders, "folder", "folders");
    const bool one = m_unreadableFiles + m_unreadableFolders == 1;
    m_platform.messages->show(parts.join(QStringLiteral(" and ")) + QStringLiteral(" could not be read, so ")
                                  + QLatin1String(one ? "it was" : "they were") + QStringLiteral(" not scanned."),
                              platform::MessageBoxes::Style::Information);
}

bool FormScan::killProcessOn() const
{
    return m_kill.lit();
}

void FormScan::killProcessesNamed(const std::string& bareName)
{
    if (m_platform.processes)
        KillProcessByName(*m_platform.processes, bareName);
}

void FormScan::letEventsRun()
{
    if (m_statusPending) {
        lblStatus->setText(shell::TextOfBytes(m_pendingStatus));
        m_statusPending = false;
    }
    showNewResults();
    if (m_platform.events)
        m_platform.events->letEventsRun();
}

// A list view filled while the run lets events run never gets round to its own deferred
// layout: it would stay blank, with a stale scroll bar, until the run returns. Scrolling to
// the newest result lays it out at once, scroll bar included, and keeps that result in sight.
void FormScan::showNewResults()
{
    if (!m_resultsPending)
        return;
    lstVirusFound->scrollToBottom();
    m_resultsPending = false;
}

std::string FormScan::foundPath(int index) const
{
    if (index < 0 || index >= lstFound->count())
        return {};
    return lstFound->item(index)->data(Qt::UserRole).toByteArray().toStdString();
}

std::string FormScan::folderBytes() const
{
    return shell::BytesOfText(txtPath->text());
}

void FormScan::IScanFolderb_Click()
{
    if (m_scanning)
        return;  // the button is disabled during a run; a queued click must not start a second one
    m_scanning = true;
    const shell::Liveness::Watch self = watch();

    Timer1->stop();
    startAnimation();
    if (!self.alive())
        return;

    IscanReady->hide();
    m_folder.hover->setEnabled(false);
    lstVirusFound->setEnabled(false);

    if (!FolderTextValid(txtPath->text(), m_platform.files->separator())) {
        m_platform.messages->show(QStringLiteral("Path file not found"), platform::MessageBoxes::Style::Critical);
        if (!self.alive())
            return;
    } else {
        if (m_clear.lit()) {
            lstFound->clear();
            lstVirusFound->clear();
        }
        // A close asked for while the animation loaded stands: the run then ends at once.
        StopScan = m_closeAfterScan;
        m_unreadableFiles = 0;
        m_unreadableFolders = 0;

        // The run holds its own lists and settings: a mode switch during the run builds new
        // ones for the next. The settings are those of the mode the option shows, even when
        // the file could not be rewritten to it.
        const std::shared_ptr<const DatabaseLists> lists = m_lists;
        const auto settings =
            detection::SettingsOfText(m_fullMode ? detection::kFullSettings : detection::kNormalSettings);
        if (m_recordsRead && settings) {
            RunView view(*this);
            detection::CRC crc(*m_platform.files, view);
            detection::FindAndMatch(*m_platform.files, folderBytes(), settings->pattern, *lists->index(),
                                    settings->sizeLimit, crc, view);
            if (view.screenGone())
                return;
            showNewResults();
        }
        PlaySound(appPath(shell::appfiles::FinishSound));
        ShowVirusCount();
        tellUnreadable();  // a message box: it lets events run
        if (!self.alive())
            return;
    }

    lstVirusFound->setEnabled(true);
    m_folder.hover->setEnabled(true);
    stopAnimation();
    IscanReady->show();
    m_scanning = false;
    if (m_closeAfterScan)
        QTimer::singleShot(0, this, &QWidget::close);
}

// ---- Progress animation ---------------------------------------------------------------------

void FormScan::startAnimation()
{
    // Without its frames (the loader has said why) the scan runs without animation. The
    // loader lets events run between frames, so the screen may be closed meanwhile: the
    // array it fills is kept alive here until it returns.
    const std::shared_ptr<shell::ImageArray> images = Image1;
    const shell::Liveness::Watch self = watch();
    const bool loaded = shell::LoadGifFrames(Text1->text(), *images, m_platform);
    if (!loaded || !self.alive())
        return;
    CurrentFrame = 0;
    Timer1->setInterval(std::max(1, Image1->Tag(0)));
    Timer1->start();
}

void FormScan::stopAnimation()
{
    Timer1->stop();
}

void FormScan::Timer1_Timer()
{
    const int lastFrame = std::min<int>(Image1->LastFrame(), Image1->Count() - 1);
    const auto show = [this](int index, bool visible) {
        if (shell::Picture* frame = (*Image1)(index))
            frame->setVisible(visible);
    };
    if (CurrentFrame < lastFrame) {
        show(CurrentFrame, false);
        ++CurrentFrame;
        show(CurrentFrame, true);
    } else {
        CurrentFrame = 0;
        for (int i = 1; i < Image1->Count(); ++i)
            show(i, false);
        show(0, true);
    }
    Timer1->setInterval(std::max(1, Image1->Tag(CurrentFrame)));
}

} // namespace quenno::scan
