#include "mdlFindFile.h"

#include "ReadAhead.h"
#include "WalkAhead.h"
#include "platform/WildcardMatch.h"

#include <algorithm>
#include <utility>

namespace quenno::detection {

namespace {

// Folders held open below the scanned folder, besides the scanned folder itself: enough
// that a walk seldom opens a folder twice, few enough for any tree depth.
constexpr std::size_t kHeldFolders = 32;

// A subfolder as its parent's listing saw it.
struct Seen {
    std::string name;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// One folder on the way down from the scanned folder. Its handle may be given back to bound
// the handles a deep tree keeps open; it is opened again from a held ancestor, by names,
// each step checked against what the listing saw.
struct Frame {
    std::string path;  // with its trailing separator
    Seen seen;  // for the scanned folder: its own device and inode once opened
    std::shared_ptr<platform::OpenFolder> folder;
    std::vector<Seen> subfolders;  // in listing order, System folders left out
    std::size_t next = 0;  // the next subfolder to enter
};

// The opened folder is the one the listing saw, where the listing looked.
bool isSeen(const Seen& seen, const platform::FileIdentity& opened)
{
    if (seen.device == 0 && seen.inode == 0)
        return true;
    return opened.known && opened.device == seen.device && opened.inode == seen.inode;
}

// The walk itself: folders, their listings and which files to examine. It runs ahead of
// the examining, on a thread of its own, and reports to the sink only; it never touches
// the view.
struct Walk {
    const platform::FileSystem& files;
    const platform::WildcardPattern& pattern;
    const char separator;
    WalkSink& sink;

    std::vector<Frame> stack;  // stack[0] is the scanned folder, always held
    std::size_t firstHeld = 1;  // the held frames below stack[0] are firstHeld..back

    void run(std::string path);
    bool enter(Frame& frame);
    bool examineFiles(Frame& frame, const std::vector<platform::DirEntry>& listing);
    std::shared_ptr<platform::OpenFolder> reachTop();
    void push(Frame frame);
};

// The examining, on the thread that runs the scan: each file in walk order, its checksum
// mostly taken already by the read-ahead.
struct Examine {
    const SignatureIndex& signatures;
    const std::int64_t sizeLimit;
    CRC& crc;
    ScanView& view;
    std::string fullPath;  // one buffer for every examined file's path

    void file(const WalkStep& step, ReadAheadResult ahead);
    bool readHere(const WalkStep& step, std::unique_ptr<platform::FileReader> reader, std::string& text,
                  platform::FileIdentity& identity);
    bool stillThere(const WalkStep& step, const platform::FileIdentity& identity) const;
    void report(const WalkStep& step, std::size_t j, const std::string& text, const platform::FileIdentity& identity);
};

void Walk::run(std::string path)
{
    if (sink.stopped() || path.empty())
        return;
    if (path.back() != separator)
        path += separator;

    std::shared_ptr<platform::OpenFolder> root = files.openFolder(path);
    if (!root) {
        sink.unreadable(path, true);
        return;
    }
    const platform::FileIdentity self = root->identity();
    Frame top;
    top.path = std::move(path);
    top.seen = {std::string(), self.device, self.inode};
    top.folder = std::move(root);
    stack.push_back(std::move(top));
    if (!enter(stack.back()))
        return;

    // Depth first, pre-order: a folder's subfolders are entered in listing order once all
    // of its files were examined.
    while (!stack.empty()) {
        if (sink.stopped())
            return;
        Frame& parent = stack.back();
        if (parent.next == parent.subfolders.size()) {
            stack.pop_back();
            firstHeld = std::min(firstHeld, std::max<std::size_t>(stack.size(), 1));
            continue;
        }
        const Seen sub = parent.subfolders[parent.next++];
        std::string childPath = parent.path + sub.name + separator;
        sink.beforeFolder();
        const std::shared_ptr<platform::OpenFolder> at = reachTop();
        std::shared_ptr<platform::OpenFolder> child = at ? at->openFolder(sub.name) : nullptr;
        if (!child || !isSeen(sub, child->identity())) {
            // Gone, no longer a folder (a link put in its place), another folder moved
            // here, or not to be opened: nothing below it is scanned.
            sink.unreadable(childPath, true);
            continue;
        }
        Frame frame;
        frame.path = std::move(childPath);
        frame.seen = sub;
        frame.folder = std::move(child);
        push(std::move(frame));
        if (!enter(stack.back()))
            return;
    }
}

// Lists the folder, keeps its subfolders and examines its files. False once a stop was asked.
bool Walk::enter(Frame& frame)
{
    const auto listing = frame.folder->listForWalk();
    if (!listing) {
        sink.unreadable(frame.path, true);
        return true;
    }
    for (const auto& entry : *listing) {
        if (entry.kind == platform::EntryKind::Folder && (entry.attributes & platform::Attribute::System) == 0)
            frame.subfolders.push_back({entry.name, entry.device, entry.inode});
    }
    return examineFiles(frame, *listing);
}

// The files a folder contributes, in listing order: regular files whose name matches the
// pattern (links, FIFOs, sockets and devices are never opened).
bool Walk::examineFiles(Frame& frame, const std::vector<platform::DirEntry>& listing)
{
    for (const auto& entry : listing) {
        if (entry.kind != platform::EntryKind::File || !pattern.matches(entry.name))
            continue;
        if (sink.stopped())
            return false;
        const FileIdentity folderIdentity{frame.seen.device, frame.seen.inode, 0, 0,
                                          frame.seen.device != 0 || frame.seen.inode != 0};
        sink.file(frame.folder, frame.path, entry, folderIdentity);
    }
    return true;
}

void Examine::file(const WalkStep& step, ReadAheadResult ahead)
{
    const platform::DirEntry& file = step.entry;
    // The walk makes no allocation per file that it can avoid, as a heap that a screen has
    // just filled and emptied makes every one of them slow.
    fullPath.assign(step.path).append(file.name);
    view.setStatus(fullPath);
    view.letEventsRun();
    if (sizeLimit < 0 || signatures.empty())
        return;  // nothing to compare with: the file need not be read

    if (ahead.outcome == ReadAheadResult::Outcome::TooLong)
        return;
    std::string text;
    platform::FileIdentity identity;
    bool readAhead = false;
    if (ahead.outcome == ReadAheadResult::Outcome::Checksummed) {
        identity = ahead.identity;
        text = std::move(ahead.checksumText);
        readAhead = true;
    } else if (!readHere(step, std::move(ahead.reader), text, identity)) {
        return;
    }
    auto matches = signatures.find(text);
    // A worker read the file before the screen let events run for it. A match is looked
    // at once more: a file removed or replaced meanwhile is taken as it is now, as a
    // reading after the events would have taken it. A clean tree costs nothing more.
    if (readAhead && !matches.empty() && !stillThere(step, identity)) {
        if (!readHere(step, nullptr, text, identity))
            return;
        matches = signatures.find(text);
    } else if (readAhead && ahead.readFailed) {
        view.addUnreadable(fullPath, false);
    } else if (readAhead) {
        view.addExamined(fullPath, ahead.length);
    }
    // Every record that holds this checksum is reported, in list order.
    for (const std::size_t j : matches)
        report(step, j, text, identity);
}

// The length is taken from the file once it is open, which costs no look-up of its own; a
// file too long is closed unread (false).
bool Examine::readHere(const WalkStep& step, std::unique_ptr<platform::FileReader> reader, std::string& text,
                       platform::FileIdentity& identity)
{
    const platform::DirEntry& file = step.entry;
    const auto limit = static_cast<std::uint64_t>(sizeLimit);
    if (!reader)
        reader = step.folder->openRead(file.name);
    if (reader) {
        if (reader->length() > limit)
            return false;
        identity = reader->identity();
        text = crc.FromReader(*reader);
        // A read that failed part-way leaves the file unscanned, though its text "0" is
        // compared as that of any file that cannot be read.
        if (crc.lastReadFailed())
            view.addUnreadable(fullPath, false);
        else
            view.addExamined(fullPath, reader->length());
        return true;
    }
    // Gone since the listing (then the listing's length counts) or not readable: its
    // checksum text is "0", as for any file that cannot be read.
    const auto now = step.folder->entry(file.name);
    if ((now ? now->length : file.length) > limit)
        return false;
    if (now && now->kind == platform::EntryKind::File)
        view.addUnreadable(fullPath, false);
    identity = {};
    text = ChecksumText(0);
    return true;
}

bool Examine::stillThere(const WalkStep& step, const platform::FileIdentity& identity) const
{
    const auto now = step.folder->entry(step.entry.name);
    if (!now || now->kind != platform::EntryKind::File)
        return false;
    if (!identity.known || (now->device == 0 && now->inode == 0))
        return true;  // nothing to compare with
    return now->device == identity.device && now->inode == identity.inode && now->length == identity.size;
}

void Examine::report(const WalkStep& step, std::size_t j, const std::string& text,
                     const platform::FileIdentity& identity)
{
    if (view.killProcessOn())
        view.killProcessesNamed(step.entry.name);
    Detection found;
    found.fullPath = fullPath;
    found.bareName = step.entry.name;
    found.malwareName = std::string(signatures.name(j));
    found.checksumText = text;
    found.identity = identity;
    found.folderIdentity = step.folderIdentity;
    view.addDetection(found);
}

// The handle of the deepest frame, opened again from the nearest held ancestor when it was
// given back; nullptr when the way there no longer leads to the folders the walk saw.
std::shared_ptr<platform::OpenFolder> Walk::reachTop()
{
    const std::size_t top = stack.size() - 1;
    if (stack[top].folder)
        return stack[top].folder;
    std::size_t from = top;
    while (!stack[from].folder)
        --from;  // stack[0] is always held
    for (std::size_t k = from + 1; k <= top; ++k) {
        auto opened = std::shared_ptr<platform::OpenFolder>(stack[k - 1].folder->openFolder(stack[k].seen.name));
        if (!opened || !isSeen(stack[k].seen, opened->identity())) {
            for (std::size_t j = from + 1; j < k; ++j)
                stack[j].folder.reset();
            return nullptr;
        }
        stack[k].folder = std::move(opened);
        if (k >= from + 1 + kHeldFolders)
            stack[k - kHeldFolders].folder.reset();
    }
    firstHeld = top + 1 > kHeldFolders ? top + 1 - kHeldFolders : 1;
    return stack[top].folder;
}

void Walk::push(Frame frame)
{
    stack.push_back(std::move(frame));
    if (stack.size() - firstHeld > kHeldFolders)
        stack[firstHeld++].folder.reset();
}

// Without a thread for the walk: each step is examined as soon as the walk comes to it.
class ExamineAtOnce final : public WalkSink {
public:
    explicit ExamineAtOnce(Examine& examine) : m_examine(examine) { }
    bool stopped() const override { return m_examine.view.stopRequested(); }
    void file(const std::shared_ptr<const platform::OpenFolder>& folder, const std::string& folderPath,
              const platform::DirEntry& entry, const FileIdentity& folderIdentity) override
    {
        WalkStep step;
        step.folder = folder;
        step.path = folderPath;
        step.entry = entry;
        step.folderIdentity = folderIdentity;
        m_examine.file(step, {});
    }
    void unreadable(const std::string& path, bool isFolder) override { m_examine.view.addUnreadable(path, isFolder); }

private:
    Examine& m_examine;
};

}  // namespace

void FindAndMatch(const platform::FileSystem& files, std::string folder, const std::string& pattern,
                  const SignatureIndex& signatures, std::int64_t sizeLimit, CRC& crc, ScanView& view, bool readAhead)
{
    Examine examine{signatures, sizeLimit, crc, view, {}};
    // Prepared once, and a copy: the screen's table may be reloaded during a yield.
    const platform::WildcardPattern ownPattern(pattern);
    if (!readAhead) {
        ExamineAtOnce atOnce(examine);
        Walk walk{files, ownPattern, files.separator(), atOnce, {}, 1};
        walk.run(std::move(folder));
        return;
    }
    const bool reads = sizeLimit >= 0 && !signatures.empty();
    ReadAhead::Limits limits;
    if (!reads)
        limits.workers = 0;
    ReadAhead ahead(files, reads ? static_cast<std::uint64_t>(sizeLimit) : 0, limits);
    WalkAhead walkAhead(
        [&files, &ownPattern, folder](WalkSink& sink) {
            Walk walk{files, ownPattern, files.separator(), sink, {}, 1};
            walk.run(folder);
        },
        ahead, WalkAhead::Limits{});
    if (!walkAhead.started()) {
        ExamineAtOnce atOnce(examine);
        Walk walk{files, ownPattern, files.separator(), atOnce, {}, 1};
        walk.run(std::move(folder));
        return;
    }
    // StopScan is read before every step: nothing is reported once it is set, and what was
    // read ahead is dropped. Waiting for the walk or for a checksum lets events run as the
    // checksum component does between blocks, through its pump.
    const auto letEventsRun = [&crc] {
        crc.events().letEventsRun();
    };
    while (auto step = walkAhead.next(letEventsRun)) {
        if (view.stopRequested()) {
            walkAhead.stop();
            return;
        }
        if (step->kind == WalkStep::Kind::Unreadable)
            view.addUnreadable(step->path, step->isFolder);
        else
            examine.file(*step, ahead.take(letEventsRun));
    }
}

}  // namespace quenno::detection
