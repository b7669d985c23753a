#include "FileLists.h"

#include "shell/ByteText.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>

namespace quenno::tools {

namespace {

constexpr int PathRole = Qt::UserRole;  // the entry's bytes (QByteArray)
constexpr int DepthRole = Qt::UserRole + 1;  // indentation of a folder entry

QByteArray bytesOf(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

std::string stringOf(const QVariant& v)
{
    const QByteArray bytes = v.toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string currentFolderOfProcess() { return shell::BytesOfText(QDir::currentPath()); }

// The folder list draws each entry indented by its depth, as a folder tree.
class IndentDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.adjust(index.data(DepthRole).toInt() * 8, 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
};

}  // namespace

std::string joinPath(const std::string& folder, const std::string& name, char separator)
{
    std::string path = folder;
    if (path.empty() || path.back() != separator)
        path.push_back(separator);
    return path + name;
}

// --- DriveList -------------------------------------------------------------------------

DriveList::DriveList(QWidget* parent, const QString& name, std::vector<Drive> drives) : QComboBox(parent)
{
    setObjectName(name);
    setDrives(std::move(drives));
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        emit Change();
    });
}

void DriveList::setDrives(std::vector<Drive> drives)
{
    const std::string folder = m_drives.empty() ? currentFolderOfProcess() : currentFolder();
    const QSignalBlocker quiet(this);
    clear();
    m_drives = std::move(drives);
    for (const Drive& drive : m_drives)
        addItem(drive.label);
    showFolder(folder);
}

std::vector<Drive> DriveList::mountedVolumes(const platform::Volumes* volumes)
{
    std::vector<Drive> drives;
    if (!volumes)
        return drives;
    for (const platform::Volume& volume : volumes->mounted()) {
        QString label = shell::TextOfBytes(volume.root);
        if (!volume.label.empty())
            label += QStringLiteral(" [%1]").arg(QString::fromStdString(volume.label));
        drives.push_back({volume.root, label});
    }
    return drives;
}

int DriveList::indexOf(const std::string& folder) const
{
    int best = -1;
    std::size_t bestLength = 0;
    const std::string withSeparator = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    for (std::size_t i = 0; i < m_drives.size(); ++i) {
        const std::string& root = m_drives[i].root;
        if (withSeparator.compare(0, root.size(), root) == 0 && (best < 0 || root.size() > bestLength)) {
            best = static_cast<int>(i);
            bestLength = root.size();
        }
    }
    return best;
}

std::string DriveList::drive() const
{
    const int index = currentIndex();
    return index < 0 ? std::string() : m_drives[static_cast<std::size_t>(index)].root;
}

std::string DriveList::currentFolder() const
{
    const std::string root = drive();
    const auto found = m_currentFolders.find(root);
    return found == m_currentFolders.end() ? root : found->second;
}

void DriveList::noteFolder(const std::string& folder)
{
    const int index = indexOf(folder);
    if (index >= 0)
        m_currentFolders[m_drives[static_cast<std::size_t>(index)].root] = folder;
}

void DriveList::showFolder(const std::string& folder)
{
    const int index = indexOf(folder);
    if (index < 0)
        return;
    noteFolder(folder);
    const QSignalBlocker quiet(this);
    setCurrentIndex(index);
}

// --- DirList ---------------------------------------------------------------------------

DirList::DirList(QWidget* parent, const QString& name, const platform::FileSystem& files, bool showHidden)
    : QListWidget(parent), m_files(files), m_showHidden(showHidden)
{
    setObjectName(name);
    setItemDelegate(new IndentDelegate(this));
    setIconSize(QSize(16, 16));
    setPath(currentFolderOfProcess());
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        open(row(item));
    });
}

bool DirList::setPath(const std::string& folderIn)
{
    const char sep = m_files.separator();
    std::string folder = folderIn;
    while (folder.size() > 1 && folder.back() == sep)
        folder.pop_back();
    if (folder.empty())
        return false;
    const auto entries = m_files.listFolder(folder);
    if (!entries)
        return false;

    const QSignalBlocker quiet(this);
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    auto add = [&](const std::string& path, const QString& text, int depth, const QIcon& icon) {
        auto* item = new QListWidgetItem(icon, text, this);
        item->setData(PathRole, bytesOf(path));
        item->setData(DepthRole, depth);
    };

    // Ancestors: the root ("/"), then each folder down to the current one.
    int depth = 0;
    std::size_t start = 0;
    if (folder.front() == sep) {
        add(std::string(1, sep), QString(QLatin1Char(sep)), depth++, openIcon);
        start = 1;
    }
    while (start < folder.size()) {
        auto end = folder.find(sep, start);
        if (end == std::string::npos)
            end = folder.size();
        add(folder.substr(0, end), shell::TextOfBytes(folder.substr(start, end - start)), depth++, openIcon);
        start = end + 1;
    }
    const int currentRow = count() - 1;
    for (const platform::DirEntry& entry : *entries) {
        if (entry.kind != platform::EntryKind::Folder)
            continue;
        if (!m_showHidden && (entry.attributes & (platform::Attribute::Hidden | platform::Attribute::System)))
            continue;
        add(joinPath(folder, entry.name, sep), shell::TextOfBytes(entry.name), depth, closedIcon);
    }
    m_path = folder;
    setCurrentRow(currentRow);
    return true;
}

std::string DirList::folderAt(int row) const
{
    const QListWidgetItem* entry = item(row);
    return entry ? stringOf(entry->data(PathRole)) : std::string();
}

bool DirList::open(int row)
{
    const std::string folder = folderAt(row);
    if (folder.empty() || !setPath(folder))
        return false;
    emit Change();
    return true;
}

// --- FileList --------------------------------------------------------------------------

FileList::FileList(QWidget* parent, const QString& name, const platform::FileSystem& files, Filter filter)
    : QListWidget(parent), m_files(files), m_filter(std::move(filter))
{
    setObjectName(name);
    setPath(currentFolderOfProcess());
    // Only a selection counts: the entry that merely gets the focus frame when the list is
    // entered is not picked.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (listIndex() >= 0)
            emit Click();
    });
    // A click on the entry already selected is a click too.
    connect(this, &QListWidget::itemPressed, this, [this](QListWidgetItem* item) {
        if (row(item) == listIndex() && m_pressedRow == listIndex())
            emit Click();
    });
}

int FileList::listIndex() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void FileList::mousePressEvent(QMouseEvent* event)
{
    m_pressedRow = listIndex();
    QListWidget::mousePressEvent(event);
    m_pressedRow = -2;
}

bool FileList::setPath(const std::string& folder)
{
    m_path = folder;
    const auto entries = m_files.listFolder(folder);
    fill(entries ? *entries : std::vector<platform::DirEntry>{}, {});
    return entries.has_value();
}

void FileList::refresh()
{
    const int row = listIndex();
    const std::string keep = row >= 0 ? name(row) : std::string();
    const auto entries = m_files.listFolder(m_path);
    fill(entries ? *entries : std::vector<platform::DirEntry>{}, keep);
}

void FileList::fill(const std::vector<platform::DirEntry>& entries, const std::string& keep)
{
    const QSignalBlocker quiet(this);
    clear();
    for (const platform::DirEntry& entry : entries) {
        if (entry.kind != platform::EntryKind::File)
            continue;
        if ((entry.attributes & platform::Attribute::Hidden) && !m_filter.hidden)
            continue;
        if ((entry.attributes & platform::Attribute::System) && !m_filter.system)
            continue;
        if (!platform::wildcardMatch(m_filter.pattern, entry.name))
            continue;
        auto* item = new QListWidgetItem(shell::TextOfBytes(entry.name), this);
        item->setData(PathRole, bytesOf(entry.name));
        if (!keep.empty() && entry.name == keep)
            setCurrentItem(item);
    }
}

std::string FileList::name(int row) const
{
    const QListWidgetItem* entry = item(row);
    return entry ? stringOf(entry->data(PathRole)) : std::string();
}

std::string FileList::fullPath(int row) const { return joinPath(m_path, name(row), m_files.separator()); }

}  // namespace quenno::tools
