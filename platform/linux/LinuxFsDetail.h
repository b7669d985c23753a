#pragma once
// Helpers shared by the parts of LinuxFileSystem.

#include "LinuxDosAttrib.h"
#include "platform/FileSystem.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenno::platform::linux_fs {

// The stored record of an entry (never following a link). xattrSupported is cleared when
// the file system refuses user extended attributes, so a listing stops asking.
std::optional<DosAttrib> readDosAttrib(const char* path, bool* xattrSupported = nullptr);
// The same for a file or folder already open (not by O_PATH).
std::optional<DosAttrib> readDosAttribOf(int fd, bool* xattrSupported = nullptr);
// LinuxFileSystem::setAttributes for a file or folder already open (not by O_PATH).
bool setAttributesOfOpenFile(int fd, std::string_view name, std::uint32_t attributes);

// The folder opened as open(2) would, also when its path is longer than a path may be
// (then one component at a time); -1 when it cannot be.
int openFolderPath(const std::string& folder);

// Device, inode, size and status change time.
FileIdentity identityFrom(const struct stat& st);

// Attribute bits of an entry from its status, name and stored record.
std::uint32_t attributesFrom(const struct stat& st, std::string_view name, const std::optional<DosAttrib>& stored);

DirEntry makeEntry(std::string name, const struct stat& st, const std::optional<DosAttrib>& stored);

// A reader of the regular file name (relative to folderFd, or AT_FDCWD); nullptr for
// anything else or when it cannot be opened.
std::unique_ptr<FileReader> openReaderAt(int folderFd, const char* name);
// A reader that owns fd, a regular file read from where fd stands; nullptr (fd closed)
// for anything else.
std::unique_ptr<FileReader> readerOf(int fd);
// Copies the regular file open as fd (read from where it stands) to target, written
// beside target and renamed into place; an existing target is replaced only with
// overwrite. fd stays open.
bool copyOpenFile(int fd, const std::string& to, bool overwrite);

// The path with its final symbolic links followed (the folders on the way stay as they are
// written), as many as the kernel follows in one path; the path itself when a link cannot
// be read or they go round in a loop.
std::string followFinalLinks(const std::string& path);

// Entries of the open folder at folderPath, sorted as listFolder sorts them. With
// everyDetail false, files carry their name and kind only.
std::optional<std::vector<DirEntry>> listOpenFolder(int folderFd, const std::string& folderPath, bool everyDetail);

// A file time as the system clock's time; nullopt for one it cannot hold.
std::optional<std::chrono::system_clock::time_point> timePointFrom(std::int64_t seconds, std::uint32_t nanoseconds);

std::string_view baseName(std::string_view path);
std::string parentFolder(std::string_view path);

}  // namespace quenno::platform::linux_fs
