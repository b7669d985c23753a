// The detections found and Delete and Quarantine of those selected.

#include "FormScan.h"

#include "DatabaseListModel.h"
#include "quarantine/ActionMessages.h"
#include "quarantine/QuarantineStore.h"
#include "shell/ByteText.h"

#include <QListWidget>

Q_DECLARE_METATYPE(quenno::quarantine::DetectedFile)

namespace quenno::scan {

namespace {

// Beside the path on each lstFound entry: what the scan saw of the file, so that the entry
// and what identifies its file can only ever leave together.
constexpr int kDetectedRole = Qt::UserRole + 1;

}  // namespace

void FormScan::addResult(const quarantine::DetectedFile& file, const std::string& resultLine)
{
    auto* found = new QListWidgetItem(shell::TextOfBytes(file.path));
    found->setData(Qt::UserRole, QByteArray::fromStdString(file.path));
    found->setData(kDetectedRole, QVariant::fromValue(file));
    lstFound->addItem(found);
    // Cut to a length a list can lay out: a record's name may run to megabytes.
    lstVirusFound->addItem(ShownText(resultLine));
}

void FormScan::removeResult(int row)
{
    delete lstFound->takeItem(row);
    delete lstVirusFound->takeItem(row);
}

void FormScan::IScanDeleteb_Click() { actOnSelection(false); }

void FormScan::IscanQuab_Click() { actOnSelection(true); }

void FormScan::actOnSelection(bool quarantine)
{
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
        const quarantine::DetectedFile file = seen.canConvert<quarantine::DetectedFile>()
            ? seen.value<quarantine::DetectedFile>()
            : quarantine::DetectedFile{foundPath(i), {}, {}, {}};
        const std::string problem = quarantine
            ? quarantine::QuarantineProblem(quarantine::QuarantineFile(files, *m_platform.clock, file).status,
                                            file.path, quarantine::QuarantineFolder(files))
            : quarantine::DeleteProblem(quarantine::RemoveDetectedFile(files, file), file.path);

        if (problem.empty()) {
            removeResult(i);
        } else {
            problems.append(shell::TextOfBytes(problem));
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

}  // namespace quenno::scan
