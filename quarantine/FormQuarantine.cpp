#include "FormQuarantine.h"

#include "QuarantineStore.h"
#include "shell/Art.h"
#include "shell/ByteText.h"
#include "shell/Fonts.h"

#include <QListWidget>

namespace quenno::quarantine {
namespace {


} // namespace

FormQuarantine::FormQuarantine(const platform::Platform& platform)
    : shell::Form(platform, QStringLiteral("FormQuarantine"), QStringLiteral("Quarantina"), {326, 432},
                  TitleButtons::Close)
{
    const QString screen = objectName();
    IQuaBackground = new shell::Picture(this, QStringLiteral("IQuaBackground"),
                                        shell::art(screen, QStringLiteral("IQuaBackground")), {0, 0}, {327, 434});
    m_delete.rest = new shell::Picture(this, QStringLiteral("IQuaDelete"), shell::art(screen, QStringLiteral("IQuaDelete")),
                                       {112, 376}, {125, 34});
    m_delete.hover = new shell::Picture(this, QStringLiteral("IQuaDeleteb"),
                                        shell::art(screen, QStringLiteral("IQuaDeleteb")), {113, 375}, {124, 35});

    FileListQua = new QListWidget(this);
    FileListQua->setObjectName(QStringLiteral("FileListQua"));
    FileListQua->setGeometry(48, 104, 257, 253);
    FileListQua->setSelectionMode(QAbstractItemView::SingleSelection);
    FileListQua->setFont(shell::fonts::fontOf(shell::fonts::OcrA, 9));

    connect(m_delete.hover, &shell::Picture::Click, this, &FormQuarantine::IQuaDeleteb_Click);
    connect(m_delete.rest, &shell::Picture::MouseMove, this, &FormQuarantine::IQuaDelete_MouseMove);
    connect(IQuaBackground, &shell::Picture::MouseMove, this, &FormQuarantine::IQuaBackground_MouseMove);

    Form_Load();
}

void FormQuarantine::Form_Load()
{
    m_delete.toRest();
    m_folder = QuarantineFolder(*m_platform.files);
    if (!readFolder()) {
        const QString text = m_platform.files->exists(m_folder)
            ? QStringLiteral("The quarantine folder '%1' cannot be read.")
            : QStringLiteral("The quarantine folder '%1' does not exist.");
        m_platform.messages->show(text.arg(shell::TextOfBytes(m_folder)), platform::MessageBoxes::Style::Critical);
    }
}

bool FormQuarantine::readFolder()
{
    FileListQua->clear();
    const auto names = ListQuarantined(*m_platform.files, m_folder);
    if (!names)
        return false;
    for (const std::string& name : *names) {
        auto* item = new QListWidgetItem(shell::TextOfBytes(name));
        item->setData(Qt::UserRole, QByteArray::fromStdString(name));
        FileListQua->addItem(item);
    }
    return true;
}

std::string FormQuarantine::selectedName() const
{
    const QList<QListWidgetItem*> selected = FileListQua->selectedItems();
    if (selected.isEmpty())
        return {};
    return selected.front()->data(Qt::UserRole).toByteArray().toStdString();
}

void FormQuarantine::IQuaDeleteb_Click()
{
    const std::string name = selectedName();
    if (name.empty())
        return;
    platform::FileSystem& files = *m_platform.files;
    const std::string path = m_folder + files.separator() + name;
    const QString shown = shell::TextOfBytes(path);
    const shell::Liveness::Watch self = watch();
    const auto answer = m_platform.messages->show(QStringLiteral("Do you want to delete file '") + shown + QStringLiteral("'?"),
                                                  platform::MessageBoxes::Style::YesNoQuestion);
    if (answer != platform::MessageBoxes::Answer::Yes)
        return;

    // The answer stands even when the screen went while the question was open; only what
    // follows needs the screen.
    QString problem;
    if (!files.entry(path))
        problem = QStringLiteral("The file '%1' is no longer in the quarantine folder.").arg(shown);
    else if (!files.removeFile(path) && files.entry(path))
        problem = QStringLiteral("The file '%1' could not be deleted.").arg(shown);
    if (!self.alive())
        return;
    const bool readable = readFolder();
    if (!readable && problem.isEmpty())
        problem = QStringLiteral("The quarantine folder '%1' cannot be read.").arg(shell::TextOfBytes(m_folder));
    if (!problem.isEmpty())
        m_platform.messages->show(problem, platform::MessageBoxes::Style::Critical);
}

void FormQuarantine::IQuaDelete_MouseMove()
{
    Enter(m_delete);
}

void FormQuarantine::IQuaBackground_MouseMove()
{
    shell::Reset({&m_delete});
}

} // namespace quenno::quarantine
