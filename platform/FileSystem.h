#pragma once
// File system with Windows attributes. Paths are byte strings (std::string) exactly as the
// operating system stores them: a name that is not valid UTF-8 still round-trips.
// Every call answers failure by its result; nothing throws.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quenno::platform {

namespace Attribute {
inline constexpr std::uint32_t Normal = 0x00;
inline constexpr std::uint32_t ReadOnly = 0x01;
inline constexpr std::uint32_t Hidden = 0x02;
inline constexpr std::uint32_t System = 0x04;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
}  // namespace Attribute

// Only regular files are files. Symbolic links, FIFOs, sockets and devices are Other:
// never entered, never opened.
enum class EntryKind { File, Folder, Other };

struct DirEntry {
    std::string name;  // bare name, no folder
    EntryKind kind = EntryKind::Other;
    std::uint64_t length = 0;  // bytes; files only
    std::uint32_t attributes = 0;  // Attribute bits
    // Where the listing looked the entry up (folders always, files in full listings):
    // the device and inode it saw, 0 and 0 where it did not look.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// What names one file on its device, taken when the file was looked at, so that an action
// taken later can tell whether the same file, unchanged, is still there.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t changeTimeNs = 0;  // status change time, nanoseconds since the epoch
    bool known = false;  // false where the file system could not say

    // The same file (device and inode), whatever happened to its content since.
    bool sameObject(const FileIdentity& other) const
    {
        return known && other.known && device == other.device && inode == other.inode;
    }
    // The same file, neither written nor changed in status since.
    bool unchangedFrom(const FileIdentity& other) const
    {
        return sameObject(other) && size == other.size && changeTimeNs == other.changeTimeNs;
    }
};

// Why a rewrite of a file did not take place. A plain value: the caller shows the reason.
enum class WriteFailure {
    None,  // written
    ReadOnly,  // the file is read-only (no write permission for its owner, or marked so)
    NoPermission,  // no right to create a file in its folder
    ReadOnlyFileSystem,  // the file system is mounted read-only
    NoSpace,  // the disk or the quota is full, or a file size limit was reached
    NotAFile,  // a folder, device or pipe; a symbolic link where none is followed,
    // or one that leads nowhere or round in a loop
    NotKept,  // the file's owner, group, ACL or extended attributes could not be
    // given to the new content, so the file was left as it is
    Changed,  // the file changed on disk since it was read, so it was left as it is
    Unreadable,  // the file could not be read, so it was left as it is
    Other,  // any other error (see error)
};

struct WriteResult {
    WriteFailure failure = WriteFailure::None;
    int error = 0;  // the operating system's error number, when there is one
    bool ok() const { return failure == WriteFailure::None; }
    explicit operator bool() const { return ok(); }
};

// A short English reason for a message, e.g. "the file is read-only".
std::string DescribeWriteFailure(const WriteResult& result);

class FileReader;

// The bytes a file is expected to hold, as consecutive pieces: a caller that changed one line
// names the old line and the unchanged rest, instead of keeping a second copy of the file.
struct ExpectedBytes {
    std::vector<std::string_view> pieces;

    std::uint64_t size() const;
    // Whether the reader, from where it stands to its end, gives exactly these bytes. Reads
    // in blocks: the file is never held whole.
    bool heldBy(FileReader& reader) const;
};

struct RewriteOptions {
    // A symbolic link at the path is kept: the file it leads to is rewritten (beside
    // itself, then renamed).
    bool throughLink = false;
    // When set, the file must still hold exactly these bytes when the new content is put
    // in place; otherwise it is left alone (WriteFailure::Changed).
    const ExpectedBytes* expected = nullptr;
};

// A file opened for reading, read as a stream of blocks.
class FileReader {
public:
    virtual ~FileReader() = default;
    // Reads up to buffer.size() bytes. Returns the count read, 0 at the end, -1 on an error.
    virtual std::int64_t read(std::span<std::uint8_t> buffer) = 0;
    // Length of the file when it was opened.
    virtual std::uint64_t length() const = 0;

    // What readIfInMemory gives when its bytes would have to come from the device.
    static constexpr std::int64_t kWouldWait = -2;
    // Reads as read() does, but only bytes the system already holds in memory: kWouldWait
    // when the next bytes are not there yet (nothing is read then, and read() may follow).
    // A reader that cannot tell reads as read() does.
    virtual std::int64_t readIfInMemory(std::span<std::uint8_t> buffer) { return read(buffer); }

    // Whether readAt works: a reader that can read at any offset lets several threads read
    // pieces of one file at once.
    virtual bool readsAtOffsets() const { return false; }
    // Reads up to buffer.size() bytes at offset, never past length(), without moving where
    // read() stands; safe from several threads at once. Returns as read() does.
    virtual std::int64_t readAt(std::span<std::uint8_t> buffer, std::uint64_t offset) const
    {
        (void)buffer;
        (void)offset;
        return -1;
    }
    // Bytes that read() has returned so far.
    virtual std::uint64_t position() const { return 0; }
    // The file as it was when opened.
    virtual FileIdentity identity() const { return {}; }
};

// A regular file of an open folder, held open for an action on it: every step goes
// through the handle and the folder's handle, never through a path that could have been
// swapped for a link since.
class HeldFile {
public:
    virtual ~HeldFile() = default;
    // The file as it is now.
    virtual FileIdentity identity() const = 0;
    // The folder it was reached through (device and inode).
    virtual FileIdentity folderIdentity() const = 0;
    // A reader of the whole file from its first byte.
    virtual std::unique_ptr<FileReader> reader() const = 0;
    // Attribute::Normal for this file: every DOS bit cleared, the owner may write.
    virtual bool clearAttributes() = 0;
    // Copies the content to target, never replacing an existing file; the target appears
    // only complete (written beside it, then renamed into place).
    virtual bool copyTo(const std::string& target) const = 0;
    // Removes the file's name from its folder, only while that name still is this file.
    virtual bool remove() = 0;
};

// A folder held open while a walk lists it and opens its files and subfolders, so that
// none of them looks the folder's path up again.
class OpenFolder {
public:
    virtual ~OpenFolder() = default;
    // Device and inode of the folder itself.
    virtual FileIdentity identity() const = 0;
    // Every entry but "." and "..", in the order of FileSystem::listFolder. Folders carry
    // their attributes; files carry their name and kind only (length and attributes may be
    // 0: a walk takes the length from the opened file). nullopt when it cannot be listed.
    virtual std::optional<std::vector<DirEntry>> listForWalk() = 0;
    // As FileSystem::openRead for the entry of that bare name; nullptr for any other name.
    virtual std::unique_ptr<FileReader> openRead(std::string_view name) const = 0;
    // The entry of that bare name, never following a link; nullopt when it does not exist.
    virtual std::optional<DirEntry> entry(std::string_view name) const = 0;
    // The subfolder of that bare name, opened without following a link; nullptr when it
    // is no folder (a link to one included) or cannot be opened.
    virtual std::unique_ptr<OpenFolder> openFolder(std::string_view name) const = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Every entry of the folder but "." and "..", ordered by name with ASCII letters
    // compared without case (ties by bytes). nullopt when the folder cannot be listed.
    virtual std::optional<std::vector<DirEntry>> listFolder(const std::string& folder) const = 0;
    // The entry itself (not following a final symbolic link). nullopt when it does not exist.
    virtual std::optional<DirEntry> entry(const std::string& path) const = 0;
    // The entry of the file a path leads to through symbolic links, named as that file; how
    // the files of the application folder are looked up. Never used by a walk.
    virtual std::optional<DirEntry> linkedEntry(const std::string& path) const { return entry(path); }

    // nullptr unless path is a regular file that could be opened for reading.
    virtual std::unique_ptr<FileReader> openRead(const std::string& path) const = 0;
    // The folder held open (a link given as the folder itself is followed); nullptr when it
    // cannot be opened. This one goes through listFolder, entry and openRead with full
    // paths, so it holds nothing open and cannot tell a swapped folder from the one it saw.
    virtual std::unique_ptr<OpenFolder> openFolder(const std::string& folder) const;
    // The regular file of that bare name in folder, held for an action: the folder opened
    // as openFolder opens it, the file in it never through a link. nullptr for anything
    // but a regular file or when either cannot be opened. This one goes through the other
    // calls with full paths.
    virtual std::unique_ptr<HeldFile> holdFile(const std::string& folder, std::string_view name);
    // Whole content of a regular file, found through symbolic links (the signature list and
    // the files of the application folder; a walk opens its files with openRead); nullopt
    // when it is missing or cannot be read in full.
    virtual std::optional<std::string> readWholeFile(const std::string& path) const = 0;
    // Writes the whole file beside the target and renames it over the target, so the
    // target holds either its old or its new content, never a part.
    virtual bool writeWholeFile(const std::string& path, std::string_view content) = 0;
    // The same with a reason for a failure, and the options above. The new file keeps the
    // owner, group, mode, ACLs and extended attributes of the one it replaces, or the old
    // one stays. This default resolves the link and compares the content before it calls
    // writeWholeFile, so a stand-in that overrides writeWholeFile sees every write.
    virtual WriteResult rewriteWholeFile(const std::string& path, std::string_view content,
                                         const RewriteOptions& options);
    // The path that symbolic links at the end of path lead to (path itself when it names no
    // link); path unchanged when they lead round in a loop.
    virtual std::string followLinks(const std::string& path) const { return path; }
    // Copies a regular file. With overwrite false an existing target is never replaced.
    // The target appears only complete (written beside it, then renamed into place).
    virtual bool copyFile(const std::string& from, const std::string& to, bool overwrite) = 0;
    virtual bool removeFile(const std::string& path) = 0;
    // Attribute::Normal clears every DOS bit and lets the owner write.
    virtual bool setAttributes(const std::string& path, std::uint32_t attributes) = 0;
    virtual bool createFolder(const std::string& path) = 0;
    // Takes every execute permission away from a regular file, so that a stored copy of a
    // detected file cannot be started. True where the file system has no such permission.
    virtual bool forbidExecution(const std::string& path) { return !path.empty(); }
    // Removes what writes cut short by a crash left beside their targets in the folder
    // (never the files of a write still under way). Nothing to do where writes leave nothing.
    virtual void removeLeftovers(const std::string& folder) { (void)folder; }
    // Birth time where the file system keeps one, else the modification time; of the file a
    // symbolic link leads to.
    virtual std::optional<std::chrono::system_clock::time_point> creationTime(const std::string& path) const = 0;
    virtual bool exists(const std::string& path) const = 0;

    // The folder that holds the executable, without a trailing separator.
    virtual std::string applicationFolder() const = 0;
    // Full path of a name inside the application folder. The name may start with "\" or "/"
    // and use either separator; an existing entry is found whatever its letter case, a
    // missing one keeps the spelling given.
    virtual std::string inApplicationFolder(std::string_view name) const = 0;
    // The folder for what the program writes: database.db, the Quarantine folder and what
    // cut writes leave. The application folder when that can be written; where it cannot
    // (an installed program) a folder of the user's own, made on first use with a copy of
    // the starter list shipped in the application folder. Assets stay in the application
    // folder either way.
    virtual std::string dataFolder() const { return applicationFolder(); }
    // Full path of a name inside the data folder, found as inApplicationFolder finds one.
    virtual std::string inDataFolder(std::string_view name) const { return inApplicationFolder(name); }
    // The separator of full paths ("/" on Linux, "\" on Windows).
    virtual char separator() const = 0;
};

// "*" and "?" wildcards, letters compared without case; "*.*" matches every name.
bool wildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace quenno::platform
