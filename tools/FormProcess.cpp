#include "FormProcess.h"

#include "FileLists.h"
#include "ToolsLayout.h"
#include "shell/ByteText.h"

#include <QColor>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>

namespace quenno::tools {

namespace {

constexpr int RefreshMs = 35000;
// Dark text: the path and size stand on the pale fields of the artwork.
constexpr QRgb kLabelText = qRgb(20, 52, 56);

QLabel* makeLabel(QWidget* parent, const char* name, QRect geometry)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(kLabelText));
    label->setPalette(palette);
    return label;
}

int selectedRow(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

bool startsWith(const std::string& text, std::string_view prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

FormProcess::FormProcess(const platform::Platform& platform)
    : Form(platform, QStringLiteral("FormProcess"), QStringLiteral("Process Manager"), QSize(326, 433),
           TitleButtons::None)
{
    using namespace layout;
    setFont(fontOf(OcrB, 8.25));

    // Lowest first, so each control lies over the ones created before it.
    Image1 = picture(this, "FormProcess", "Image1", QRect(0, 0, 327, 434));
    m_kill.rest = picture(this, "FormProcess", "IProcessKill", QRect(32, 384, 110, 33));
    lblPath = makeLabel(this, "lblPath", QRect(24, 320, 281, 25));
    m_kill.hover = picture(this, "FormProcess", "IProcessKillb", QRect(33, 384, 109, 33));
    m_close.rest = picture(this, "FormProcess", "IProcessDelete", QRect(183, 384, 109, 33));
    lblSize = makeLabel(this, "lblSize", QRect(128, 356, 121, 17));
    m_close.hover = picture(this, "FormProcess", "IProcessDeleteb", QRect(183, 384, 109, 33));

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(24, 72, 137, 228);
    List1->setFont(fontOf(CourierNew, 8.25));
    QPalette white = List1->palette();
    white.setColor(QPalette::Base, Qt::white);
    List1->setPalette(white);

    List2 = new QListWidget(this);
    List2->setObjectName(QStringLiteral("List2"));
    List2->setGeometry(176, 72, 65, 228);
    List2->setFont(fontOf(Arial, 8.25));
    for (QListWidget* list : {List1, List2}) {
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setUniformItemSizes(true);
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(RefreshMs);

    // Only a selection made by the user counts: the entry that merely gets the focus frame
    // when a list is entered is not selected, and Kill must not end it. List2's selection
    // follows List1's, cleared with it, since Kill reads the id from List2.
    connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
        if (selectedRow(List1) >= 0) {
            List1_Click();
        } else {
            const QSignalBlocker quiet(List2);
            List2->clearSelection();
        }
    });
    // A pid picked directly selects its process in List1, and one unpicked clears it, so
    // that Kill always ends the process whose path is shown, or none.
    connect(List2, &QListWidget::itemSelectionChanged, this, [this] {
        const int row = selectedRow(List2);
        if (row == selectedRow(List1))
            return;
        if (row >= 0)
            List1->setCurrentRow(row);
        else
            List1->clearSelection();
    });
    // The two lists scroll together, entry beside entry.
    connect(List1->verticalScrollBar(), &QScrollBar::valueChanged, List2->verticalScrollBar(), &QScrollBar::setValue);
    connect(List2->verticalScrollBar(), &QScrollBar::valueChanged, List1->verticalScrollBar(), &QScrollBar::setValue);
    connect(Timer1, &QTimer::timeout, this, &FormProcess::Timer1_Timer);
    connect(m_kill.hover, &shell::Picture::Click, this, &FormProcess::IProcessKillb_Click);
    connect(m_close.hover, &shell::Picture::Click, this, &FormProcess::IProcessDeleteb_Click);
    connect(Image1, &shell::Picture::MouseMove, this, &FormProcess::Image1_MouseMove);
    connect(m_kill.rest, &shell::Picture::MouseMove, this, &FormProcess::IProcessKill_MouseMove);
    connect(m_close.rest, &shell::Picture::MouseMove, this, &FormProcess::IProcessDelete_MouseMove);

    Form_Load();
}

FormProcess::~FormProcess() = default;

void FormProcess::Form_Load()
{
    m_kill.toRest();
    m_close.toRest();
    ListProcesses();
    Timer1->start();
}

void FormProcess::ListProcesses()
{
    const QSignalBlocker quiet1(List1);
    const QSignalBlocker quiet2(List2);
    List1->clear();
    List2->clear();
    if (!m_platform.processes)
        return;
    // Both lists use the taller of their two fonts' rows, so entry i stays beside entry i.
    const QSize row(0, std::max(List1->fontMetrics().height(), List2->fontMetrics().height()) + 1);
    for (const platform::ProcessEntry& process : m_platform.processes->snapshot()) {
        auto* name = new QListWidgetItem(shell::TextOfBytes(process.imageName), List1);
        auto* pid = new QListWidgetItem(QString::number(process.pid), List2);
        name->setSizeHint(row);
        pid->setSizeHint(row);
    }
}

std::string FormProcess::PathByPID(std::uint32_t pid) const
{
    if (!m_platform.processes)
        return {};
    std::string path = m_platform.processes->imagePath(pid);
    // Native forms some system processes report; they are not translated.
    if (startsWith(path, "\\??\\") || startsWith(path, "\\SystemRoot\\"))
        return {};
    return path;
}

void FormProcess::List1_Click()
{
    const int row = selectedRow(List1);
    if (row < 0 || row >= List2->count())
        return;
    {
        const QSignalBlocker quiet(List2);
        List2->setCurrentRow(row);
    }
    bool ok = false;
    const std::uint32_t pid = List2->item(row)->text().toUInt(&ok);
    const std::string path = ok ? PathByPID(pid) : std::string();
    lblPath->setText(shell::TextOfBytes(path));
    // The size of the image file, or nothing when there is no readable file to measure.
    QString size;
    if (!path.empty()) {
        const auto entry = m_platform.files->entry(path);
        if (entry && entry->kind == platform::EntryKind::File)
            size = QString::number(entry->length) + QStringLiteral(" bytes");
    }
    lblSize->setText(size);
}

void FormProcess::IProcessKillb_Click()
{
    // With nothing selected there is no process id to read: nothing is ended.
    if (const int row = selectedRow(List2); row >= 0) {
        const QListWidgetItem* selected = List2->item(row);
        bool ok = false;
        const std::uint32_t pid = selected->text().toUInt(&ok);
        // The process table refuses this program's own process and process 1.
        if (ok && m_platform.processes)
            m_platform.processes->terminate(pid);
    }
    ListProcesses();
}

void FormProcess::IProcessDeleteb_Click() { close(); }

void FormProcess::Timer1_Timer() { ListProcesses(); }

void FormProcess::Image1_MouseMove() { shell::Reset({&m_kill, &m_close}); }

void FormProcess::IProcessKill_MouseMove() { Enter(m_kill); }

void FormProcess::IProcessDelete_MouseMove() { Enter(m_close); }

}  // namespace quenno::tools
