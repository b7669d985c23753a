#pragma once
// The drive, folder and file lists of the file pickers (checksum checker, registry tools)
// and of the quarantine manager. They read the file system through the platform's
// FileSystem; folder paths are byte strings exactly as the file system spells them.

#include "platform/FileSystem.h"
#include "platform/Volumes.h"

#include <QComboBox>
#include <QListWidget>

#include <map>
#include <string>
#include <vector>

namespace quenno::tools {

struct Drive {
    std::string root;  // ends in the separator ("/", "/media/usb/")
    QString label;  // shown in the list
};

// The mounted volumes, showing the selected one. Each drive remembers its current folder
// (the last folder noted on it; at first its root, or the process's current folder).
class DriveList : public QComboBox {
    Q_OBJECT
public:
    DriveList(QWidget* parent, const QString& name, std::vector<Drive> drives);

    // The volumes the platform finds mounted, in its order, each shown by its root and
    // its label; none without the facility.
    static std::vector<Drive> mountedVolumes(const platform::Volumes* volumes);
    // Replaces the drives, selecting the one that holds the current folder, without a Change.
    void setDrives(std::vector<Drive> drives);

    std::string drive() const;  // root of the selected drive, "" when none
    std::string currentFolder() const;  // the selected drive's current folder
    // Makes folder the current folder of the drive that holds it.
    void noteFolder(const std::string& folder);
    // Selects the drive that holds folder and makes it that drive's current folder,
    // without a Change.
    void showFolder(const std::string& folder);

signals:
    void Change();  // the user (or a test) selected another drive

private:
    int indexOf(const std::string& folder) const;

    std::vector<Drive> m_drives;
    std::map<std::string, std::string> m_currentFolders;  // root -> folder
};

// The current folder's ancestors, from the root down, then its subfolders. Opening an
// entry (double click, Enter) makes it the current folder.
class DirList : public QListWidget {
    Q_OBJECT
public:
    DirList(QWidget* parent, const QString& name, const platform::FileSystem& files, bool showHidden);

    const std::string& path() const { return m_path; }
    // Shows folder. False, and the list stays as it was, when the folder cannot be listed.
    // Emits no Change.
    bool setPath(const std::string& folder);
    // The folder an entry stands for.
    std::string folderAt(int row) const;
    // Opens the entry: makes it the current folder and emits Change when it could be shown.
    bool open(int row);

signals:
    void Change();  // the current folder changed by opening an entry

private:
    const platform::FileSystem& m_files;
    const bool m_showHidden;
    std::string m_path;
};

// Bare names of the files in a folder, sorted by name, that match the pattern and the
// attribute filter. Sub-folders and anything that is not a regular file are left out.
class FileList : public QListWidget {
    Q_OBJECT
public:
    struct Filter {
        bool hidden = false;  // show hidden files
        bool system = false;  // show system files
        std::string pattern = "*.*";
    };

    FileList(QWidget* parent, const QString& name, const platform::FileSystem& files, Filter filter);

    const std::string& path() const { return m_path; }
    // Lists the folder's files. When the folder cannot be listed the list is left empty
    // (never with names of another folder) and the result is false.
    bool setPath(const std::string& folder);
    // Reads the folder again, keeping the selected name selected when it is still there.
    void refresh();

    std::string name(int row) const;  // bare name as the file system spells it
    int listIndex() const;  // the selected entry, -1 when none
    // Full path of an entry: the folder, one separator, the name.
    std::string fullPath(int row) const;

signals:
    void Click();  // an entry was selected (pointer or keyboard), or clicked again

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void fill(const std::vector<platform::DirEntry>& entries, const std::string& keep);

    const platform::FileSystem& m_files;
    const Filter m_filter;
    std::string m_path;
    int m_pressedRow = -2;  // the selected row when the pointer was pressed
};

// folder + one separator + name; a folder that already ends in the separator (a root) is
// used as it is.
std::string joinPath(const std::string& folder, const std::string& name, char separator);

}  // namespace quenno::tools
