#include "FormQuarantine.h"

#include "ActionMessages.h"
#include "QuarantineStore.h"
#include "shell/Art.h"
#include "shell/ByteText.h"
#include "shell/Fonts.h"

#include <QListWidget>

namespace quenno::quarantine {
namespace {

}  // namespace

FormQuarantine::FormQuarantine(const platform::Platform& platform)
    : shell::Form(platform, QStringLiteral("FormQuarantine"), QStringLiteral("Quarantina"), {326, 432},
                  TitleButtons::Close)
{
    const QString screen = objectName();
    IQuaBackground = new shell::Picture(this, QStringLiteral("IQuaBackground"),
                                        shell::art(screen, QStringLiteral("IQuaBackground")), {0, 0}, {327, 434});
    m_delete.rest = new shell::Picture(this, QStringLiteral("IQuaDelete"),
                                       shell::art(screen, QStringLiteral("IQuaDelete")), {112, 376}, {125, 34});
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
        const std::string text = UnreadableFolderProblem(m_platform.files->exists(m_folder), m_folder);
        m_platform.messages->show(shell::TextOfBytes(text), platform::MessageBoxes::Style::Critical);
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
    const auto answer
        = m_platform.messages->show(QStringLiteral("Do you want to delete file '") + shown + QStringLiteral("'?"),
                                    platform::MessageBoxes::Style::YesNoQuestion);
    if (answer != platform::MessageBoxes::Answer::Yes)
        return;

    // The answer stands even when the screen went while the question was open; only what
    // follows needs the screen.
    std::string problem = QuarantinedDeleteProblem(RemoveQuarantined(files, path), path);
    if (!self.alive())
        return;
    const bool readable = readFolder();
    if (!readable && problem.empty())
        problem = UnreadableFolderProblem(true, m_folder);
    if (!problem.empty())
        m_platform.messages->show(shell::TextOfBytes(problem), platform::MessageBoxes::Style::Critical);
}

void FormQuarantine::IQuaDelete_MouseMove() { Enter(m_delete); }

void FormQuarantine::IQuaBackground_MouseMove() { shell::Reset({&m_delete}); }

}  // namespace quenno::quarantine
