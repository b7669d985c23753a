#include "FormCRCGen.h"

#include "ToolsLayout.h"

#include <QCloseEvent>
#include <QLineEdit>

namespace quenno::tools {

namespace {

platform::EventPump& pumpOf(const platform::Platform& platform)
{
    static platform::NoEventPump none;
    return platform.events ? *platform.events : none;
}

}  // namespace

FormCRCGen::FormCRCGen(const platform::Platform& platform)
    : Form(platform, QStringLiteral("FormCRCGen"), QStringLiteral("Check CRC"), QSize(327, 431), TitleButtons::Close),
      CRC1(std::make_shared<detection::CRC>(*platform.files, pumpOf(platform)))
{
    using namespace layout;
    // Lowest first: the background, then the windowed controls over it.
    Image1 = picture(this, "FormCRCGen", "Image1", QRect(0, 0, 327, 434));

    Drive1 = new DriveList(this, QStringLiteral("Drive1"), DriveList::mountedVolumes(platform.volumes));
    Drive1->setGeometry(56, 264, 137, 20);
    Drive1->setFont(fontOf(OcrB, 9));

    Dir1 = new DirList(this, QStringLiteral("Dir1"), *platform.files, false);
    Dir1->setGeometry(56, 104, 241, 146);
    Dir1->setFont(fontOf(OcrB, 9));

    File1 = new FileList(this, QStringLiteral("File1"), *platform.files, FileList::Filter{});
    File1->setGeometry(56, 296, 241, 114);
    File1->setFont(fontOf(OcrB, 9));

    txtCRC = new QLineEdit(this);
    txtCRC->setObjectName(QStringLiteral("txtCRC"));
    txtCRC->setGeometry(200, 264, 97, 19);
    txtCRC->setFont(fontOf(Arial, 9));

    connect(Drive1, &DriveList::Change, this, &FormCRCGen::Drive1_Change);
    connect(Dir1, &DirList::Change, this, &FormCRCGen::Dir1_Change);
    connect(File1, &FileList::Click, this, &FormCRCGen::File1_Click);
}

FormCRCGen::~FormCRCGen() = default;

void FormCRCGen::Drive1_Change()
{
    // A drive that cannot be read leaves the folder and file lists where they were.
    if (Dir1->setPath(Drive1->currentFolder()))
        Dir1_Change();
}

void FormCRCGen::Dir1_Change()
{
    Drive1->noteFolder(Dir1->path());
    File1->setPath(Dir1->path());
}

void FormCRCGen::File1_Click()
{
    const int row = File1->listIndex();
    if (File1->count() == 0 || row < 0)
        return;
    const std::string path = joinPath(Dir1->path(), File1->name(row), m_platform.files->separator());

    const std::uint64_t selection = ++m_selection;
    const shell::Liveness::Watch self = watch();
    const std::shared_ptr<detection::CRC> engine = CRC1;
    ++m_computing;
    const std::string text = engine->FromFile(path);
    if (!self.alive())
        return;
    --m_computing;
    // A later click, run while this checksum let events run, has shown its own file.
    if (selection == m_selection)
        txtCRC->setText(QString::fromStdString(text));
    if (m_computing == 0 && m_closeWhenDone) {
        m_closeWhenDone = false;
        close();
    }
}

void FormCRCGen::closeEvent(QCloseEvent* event)
{
    if (m_computing > 0) {
        m_closeWhenDone = true;
        hide();
        event->ignore();
        return;
    }
    Form::closeEvent(event);
}

void FormCRCGen::showEvent(QShowEvent* event)
{
    m_closeWhenDone = false;
    Form::showEvent(event);
}

}  // namespace quenno::tools
