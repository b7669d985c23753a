#pragma once
// Just enough of the freedesktop.org desktop entry and MIME application specifications to
// start the user's default program for a file type.

#include <QString>
#include <QStringList>

#include <optional>

namespace quenno::platform::desktop {

struct Entry {
    QString path;       // the .desktop file
    QString name;
    QString exec;
    bool terminal = false;
    QStringList categories;
};

// Reads the [Desktop Entry] group; nullopt when the file is missing, hidden or has no Exec.
std::optional<Entry> readEntry(const QString& path);

// The file of a desktop id, looked up in the applications folders of the data folders.
QString findEntry(const QString& desktopId);

// The user's default entry for a MIME type from the mimeapps.list files (and the older
// defaults.list), in the order the freedesktop MIME-applications rules set; "" when none names an existing entry.
QString defaultEntryFor(const QString& mimeType);

// Every installed entry that declares the MIME type (mimeinfo.cache), in folder order.
QStringList entriesDeclaring(const QString& mimeType);

// The command line of an Exec value for one local file: program first. The file goes where
// the field codes %f %F %u %U stand, or at the end when there is none. Empty when the value
// is malformed (an open quote).
QStringList commandFor(const Entry& entry, const QString& file);

} // namespace quenno::platform::desktop
