// Delete and Quarantine of the selected detections.

#include "FormScan.h"

#include "quarantine/QuarantineStore.h"
#include "shell/ByteText.h"

#include <QListWidget>

Q_DECLARE_METATYPE(quenno::quarantine::DetectedFile)

namespace quenno::scan {

namespace {

// Beside the path on each lstFound entry: what the scan saw of the file, so that the entry
// and what identifies its file can only ever leave together.
constexpr int kDetectedRole = Qt::UserRole + 1;

} // namespace

void FormScan::addDetection(const detection::Detection& detection)
{
    ScanView::addDetection(detection);  // the entries of both lists, through addResult
    const quarantine::DetectedFile file{detection.fullPath, detection.checksumText, detection.identity,
                                        detection.folderIdentity};
    lstFound->item(lstFound->count() - 1)->setData(kDetectedRole, QVariant::fromValue(file));
}

void FormScan::removeResult(int row)
{
    delete lstFound->takeItem(row);
    delete lstVirusFound->takeItem(row);
}

void FormScan::IScanDeleteb_Click()
{
    actOnSelection(false);
}

void FormScan::IscanQuab_Click()
{
    actOnSelection(true);
}

void FormScan::actOnSelection(bool quarantine)
{
    using Status = quarantine::QuarantineOutcome::Status;
    platform::FileSystem& files = *m_platform.files;

    if (lstVirusFound->selectedItems().isEmpty()) {
        const shell::Liveness::Watch self = watch();
        m_platform.messages->show(QStringLiteral("No file selected"), platform::MessageBoxes::Style::Critical);
        if (self.alive())
            ShowVirusCount();
        return;
    }

    // Every selected entry in list order. An entry leaves both lists when its file is gone
    // from the folder (deleted, moved into quarantine, or already missing); an entry whose
    // file is still there keeps its place, leaves the selection and is reported.
    // The entries are taken as selected now: removing an entry moves the list's current
    // row, and with it the selection, onto its neighbour, which was not chosen.
    const QList<QListWidgetItem*> chosen = lstVirusFound->selectedItems();
    QStringList problems;
    int i = 0;
    while (i < lstVirusFound->count() && i < lstFound->count()) {
        QListWidgetItem* line = lstVirusFound->item(i);
        if (!chosen.contains(line)) {
            ++i;
            continue;
        }
        // An entry without what the scan saw cannot be checked, so nothing is done to it.
        const QVariant seen = lstFound->item(i)->data(kDetectedRole);
        const quarantine::DetectedFile file =
            seen.canConvert<quarantine::DetectedFile>() ? seen.value<quarantine::DetectedFile>()
                                                        : quarantine::DetectedFile{foundPath(i), {}, {}, {}};
        const QString shown = shell::TextOfBytes(file.path);
        const QString changed = QStringLiteral("The file '%1' has changed since the scan, so it was left as it is.")
                                    .arg(shown);
        QString problem;
        if (quarantine) {
            switch (quarantine::QuarantineFile(files, *m_platform.clock, file).status) {
            case Status::Moved:
            case Status::AlreadyGone:
                break;
            case Status::Changed:
                problem = changed;
                break;
            case Status::CopyFailed:
                problem = QStringLiteral("The file '%1' could not be copied into the quarantine folder '%2', "
                                         "so it was left where it is.")
                              .arg(shown, shell::TextOfBytes(quarantine::QuarantineFolder(files)));
                break;
            case Status::CopyDiffers:
                problem = QStringLiteral("The copy of '%1' in the quarantine folder did not match the file, "
                                         "so the file was left where it is.")
                              .arg(shown);
                break;
            case Status::RemoveFailed:
                problem = QStringLiteral("The file '%1' could not be deleted after it was copied, "
                                         "so it was left where it is.")
                              .arg(shown);
                break;
            }
        } else {
            switch (quarantine::RemoveDetectedFile(files, file)) {
            case quarantine::RemoveOutcome::Removed:
            case quarantine::RemoveOutcome::AlreadyGone:
                break;
            case quarantine::RemoveOutcome::Changed:
                problem = changed;
                break;
            case quarantine::RemoveOutcome::Failed:
                problem = QStringLiteral("The file '%1' could not be deleted.").arg(shown);
                break;
            }
        }

        if (problem.isEmpty()) {
            removeResult(i);
        } else {
            problems.append(problem);
            ++i;
        }
    }
    // Nothing stays chosen: the list would otherwise carry the selection onto a neighbour
    // that the next click of Delete or Quarantine would take.
    lstVirusFound->clearSelection();
    lstVirusFound->setCurrentRow(-1);
    ShowVirusCount();
    if (!problems.isEmpty())
        m_platform.messages->show(problems.join(QLatin1Char('\n')), platform::MessageBoxes::Style::Critical);
}

} // namespace quenno::scan
