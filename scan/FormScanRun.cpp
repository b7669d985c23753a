// The scan run, what it shows on the screen, and the progress animation.

#include "FormScan.h"

#include "MdlBrowsFolder.h"
#include "detection/SignatureFile.h"
#include "shell/AppFiles.h"
#include "shell/ByteText.h"
#include "shell/modAniGif.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

namespace quenno::scan {

bool FormScan::stopRequested() const { return StopScan; }

bool FormScan::killProcessOn() const { return m_kill.lit(); }

void FormScan::showStatus(const std::string& fullPath) { lblStatus->setText(shell::TextOfBytes(fullPath)); }

// A list view filled while the run lets events run never gets round to its own deferred
// layout: it would stay blank, with a stale scroll bar, until the run returns. Scrolling to
// the newest result lays it out at once, scroll bar included, and keeps that result in sight.
void FormScan::showNewResults() { lstVirusFound->scrollToBottom(); }

// Said after the run, beside the found count, so that a tree with parts that could not be
// read is never taken for clean.
void FormScan::tellUnreadable(int files, int folders)
{
    if (files == 0 && folders == 0)
        return;
    const auto counted = [](int n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    QStringList parts;
    if (files > 0)
        parts << counted(files, "file", "files");
    if (folders > 0)
        parts << counted(folders, "folder", "folders");
    const bool one = files + folders == 1;
    m_platform.messages->show(parts.join(QStringLiteral(" and ")) + QStringLiteral(" could not be read, so ")
                                  + QLatin1String(one ? "it was" : "they were") + QStringLiteral(" not scanned."),
                              platform::MessageBoxes::Style::Information);
}

std::string FormScan::foundPath(int index) const
{
    if (index < 0 || index >= lstFound->count())
        return {};
    return lstFound->item(index)->data(Qt::UserRole).toByteArray().toStdString();
}

std::string FormScan::folderBytes() const { return shell::BytesOfText(txtPath->text()); }

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
        int unreadableFiles = 0;
        int unreadableFolders = 0;

        // The run holds its own lists and settings: a mode switch during the run builds new
        // ones for the next. The settings are those of the mode the option shows, even when
        // the file could not be rewritten to it.
        const std::shared_ptr<const DatabaseLists> lists = m_lists;
        const auto settings
            = detection::SettingsOfText(m_fullMode ? detection::kFullSettings : detection::kNormalSettings);
        if (m_recordsRead && settings) {
            ScanRunView view(*this, watch(), m_platform.events, m_platform.processes, m_yieldIntervalMs);
            detection::CRC crc(*m_platform.files, view);
            detection::FindAndMatch(*m_platform.files, folderBytes(), settings->pattern, *lists->index(),
                                    settings->sizeLimit, crc, view);
            if (view.screenGone())
                return;
            view.showNewResults();
            unreadableFiles = view.unreadableFiles();
            unreadableFolders = view.unreadableFolders();
        }
        PlaySound(appPath(shell::appfiles::FinishSound));
        ShowVirusCount();
        tellUnreadable(unreadableFiles, unreadableFolders);  // a message box: it lets events run
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

void FormScan::stopAnimation() { Timer1->stop(); }

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

}  // namespace quenno::scan
