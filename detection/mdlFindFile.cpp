#include "mdlFindFile.h"

#include "platform/WildcardMatch.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace quenno::detection {

namespace {

struct Walk {
    const platform::FileSystem& files;
    // Prepared once, and a copy: the screen's table may be reloaded during a yield.
    const platform::WildcardPattern pattern;
    const SignatureIndex& signatures;
    const std::int64_t sizeLimit;
    CRC& crc;
    ScanView& view;
    const char separator;

    void folder(std::string path);
    void examine(const platform::OpenFolder& opened, const std::string& path, const platform::DirEntry& file,
                 std::string& fullPath);
    std::string checksumOf(const platform::OpenFolder& opened, const std::string& fullPath,
                           const platform::DirEntry& file, bool* withinLimit, std::optional<std::uint64_t>* bytesRead);
};

void Walk::folder(std::string path)
{
    if (view.stopRequested())
        return;
    if (path.empty())
        return;
    if (path.back() != separator)
        path += separator;

    std::vector<std::string> subfolders;
    {
        // One listing serves both passes, and the folder stays open while its files are
        // opened, so neither looks the folder up again. It is closed before the walk goes
        // down, so a deep tree holds one folder open at a time.
        const auto opened = files.openFolder(path);
        if (!opened)
            return;
        const auto listing = opened->listForWalk();
        if (!listing)
            return;

        for (const auto& entry : *listing) {
            if (entry.kind == platform::EntryKind::Folder && (entry.attributes & platform::Attribute::System) == 0)
                subfolders.push_back(entry.name);
        }

        std::string fullPath;
        for (const auto& entry : *listing) {
            // Only regular files: links, FIFOs, sockets and devices are never opened.
            if (entry.kind != platform::EntryKind::File || !pattern.matches(entry.name))
                continue;
            if (view.stopRequested())
                return;
            examine(*opened, path, entry, fullPath);
        }
    }

    for (const auto& name : subfolders) {
        folder(path + name + separator);
        if (view.stopRequested())
            return;
    }
}

// fullPath is the folder's one buffer for its files' paths: the walk makes no allocation
// per file that it can avoid, as a heap that a screen has just filled and emptied makes
// every one of them slow.
void Walk::examine(const platform::OpenFolder& opened, const std::string& path, const platform::DirEntry& file,
                   std::string& fullPath)
{
    fullPath.assign(path).append(file.name);
    view.setStatus(fullPath);
    view.letEventsRun();
    if (sizeLimit < 0 || signatures.empty())
        return;  // nothing to compare with: the file need not be read

    bool withinLimit = false;
    std::optional<std::uint64_t> bytesRead;  // none: the file could not be opened
    const std::string text = checksumOf(opened, fullPath, file, &withinLimit, &bytesRead);
    if (!withinLimit)
        return;
    if (bytesRead)
        view.addExamined(fullPath, *bytesRead);
    const auto matches = signatures.find(text);
    // Every record that holds this checksum is reported, in list order.
    for (const std::size_t j : matches) {
        if (view.killProcessOn())
            view.killProcessesNamed(file.name);
        Detection found;
        found.fullPath = fullPath;
        found.bareName = file.name;
        found.malwareName = std::string(signatures.name(j));
        found.checksumText = text;
        view.addDetection(found);
    }
}

// The file's length is taken from the file once it is open, which costs no look-up of
// its own; a file too long is closed unread.
std::string Walk::checksumOf(const platform::OpenFolder& opened, const std::string& fullPath,
                             const platform::DirEntry& file, bool* withinLimit, std::optional<std::uint64_t>* bytesRead)
{
    const auto limit = static_cast<std::uint64_t>(sizeLimit);
    if (auto reader = opened.openRead(file.name)) {
        *withinLimit = reader->length() <= limit;
        if (*withinLimit)
            *bytesRead = reader->length();
        return *withinLimit ? crc.FromReader(*reader) : std::string();
    }
    // Not readable: its checksum text is "0", as for any file that cannot be read, when
    // its length is within the limit (it may have gone since the listing; then the
    // listing's length counts).
    const auto now = files.entry(fullPath);
    *withinLimit = (now ? now->length : file.length) <= limit;
    return *withinLimit ? crc.FromFile(fullPath) : std::string();
}

} // namespace

void FindAndMatch(const platform::FileSystem& files, std::string folder, const std::string& pattern,
                  const SignatureIndex& signatures, std::int64_t sizeLimit, CRC& crc, ScanView& view)
{
    Walk walk{files, platform::WildcardPattern(pattern), signatures, sizeLimit, crc, view, files.separator()};
    walk.folder(std::move(folder));
}

} // namespace quenno::detection
