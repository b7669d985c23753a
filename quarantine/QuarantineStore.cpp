#include "QuarantineStore.h"

#include "detection/CRC.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

namespace quenno::quarantine {
namespace {

constexpr int kSecondsPerDay = 86400;
// A stamp can collide with copies of other days at the same time of day; the search for
// a free name gives up only when something is plainly wrong with the folder.
constexpr int kMostNamesPerStamp = 10000;

std::string joined(const platform::FileSystem& files, const std::string& folder, const std::string& name)
{
    std::string path = folder;
    if (path.empty() || path.back() != files.separator())
        path += files.separator();
    return path + name;
}

}  // namespace

int SecondsSinceLocalMidnight(std::chrono::system_clock::time_point time)
{
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&t, &local);
    return (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) % kSecondsPerDay;
}

std::string QuarantineStamp(int secondsSinceMidnight)
{
    const int s = ((kSecondsPerDay - secondsSinceMidnight) % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay;
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%02d%02d%02d", s / 3600, (s / 60) % 60, s % 60);
    return text.data();
}

std::string QuarantineName(const std::string& stamp, int n)
{
    return "qnosecure" + stamp + (n > 1 ? "_" + std::to_string(n) : std::string()) + ".mal";
}

std::string QuarantineFolder(const platform::FileSystem& files) { return files.inDataFolder(kQuarantineFolderName); }

namespace {

enum class Reach { Held, Gone, Changed };

// The detected file, held, when it is still the file the scan examined in the folder the
// scan saw; otherwise why not.
std::unique_ptr<platform::HeldFile> reach(platform::FileSystem& files, const DetectedFile& file, Reach* why)
{
    const auto slash = file.path.rfind(files.separator());
    *why = Reach::Changed;
    if (slash == std::string::npos || slash + 1 == file.path.size())
        return nullptr;
    const std::string folder = file.path.substr(0, slash == 0 ? 1 : slash);
    const std::string name = file.path.substr(slash + 1);
    auto held = files.holdFile(folder, name);
    if (!held) {
        // Gone only when the folder is the one the scan saw and the name is not in it.
        const auto opened = files.openFolder(folder);
        if (opened && opened->identity().sameObject(file.folderIdentity) && !opened->entry(name))
            *why = Reach::Gone;
        return nullptr;
    }
    if (!held->folderIdentity().sameObject(file.folderIdentity) || !held->identity().unchangedFrom(file.identity))
        return nullptr;
    *why = Reach::Held;
    return held;
}

// The checksum text of a stored copy, as the scan computes it.
std::string checksumOf(const platform::FileSystem& files, const std::string& path)
{
    platform::NoEventPump events;
    detection::CRC crc(files, events);
    const auto reader = files.openRead(path);
    return reader ? crc.FromReader(*reader) : std::string();
}

}  // namespace

RemoveOutcome RemoveQuarantined(platform::FileSystem& files, const std::string& path)
{
    if (!files.entry(path))
        return RemoveOutcome::AlreadyGone;
    // A refusal with the file gone meanwhile still leaves it gone.
    if (!files.removeFile(path) && files.entry(path))
        return RemoveOutcome::Failed;
    return RemoveOutcome::Removed;
}

RemoveOutcome RemoveDetectedFile(platform::FileSystem& files, const DetectedFile& file)
{
    Reach why;
    const auto held = reach(files, file, &why);
    if (!held)
        return why == Reach::Gone ? RemoveOutcome::AlreadyGone : RemoveOutcome::Changed;
    held->clearAttributes();
    return held->remove() ? RemoveOutcome::Removed : RemoveOutcome::Failed;
}

QuarantineOutcome QuarantineFile(platform::FileSystem& files, const platform::Clock& clock, const DetectedFile& file)
{
    using Status = QuarantineOutcome::Status;
    Reach why;
    const auto held = reach(files, file, &why);
    if (!held)
        return {why == Reach::Gone ? Status::AlreadyGone : Status::Changed, {}};

    const std::string folder = QuarantineFolder(files);
    if (!files.exists(folder))
        files.createFolder(folder);

    const std::string stamp = QuarantineStamp(SecondsSinceLocalMidnight(clock.now()));
    std::string stored;
    for (int n = 1; n <= kMostNamesPerStamp && stored.empty(); ++n) {
        const std::string candidate = joined(files, folder, QuarantineName(stamp, n));
        if (files.entry(candidate))
            continue;
        if (held->copyTo(candidate))
            stored = candidate;
        else if (!files.entry(candidate))
            return {Status::CopyFailed, {}};  // not a name clash: the copy itself failed
    }
    if (stored.empty())
        return {Status::CopyFailed, {}};

    // Written while it was copied: the copy may hold neither the old content nor the new.
    if (!held->identity().unchangedFrom(file.identity)) {
        files.removeFile(stored);
        return {Status::Changed, {}};
    }
    if (checksumOf(files, stored) != file.checksumText) {
        files.removeFile(stored);
        return {Status::CopyDiffers, {}};
    }
    files.setAttributes(stored, platform::Attribute::Normal);
    files.forbidExecution(stored);

    held->clearAttributes();
    if (!held->remove()) {
        files.removeFile(stored);
        return {Status::RemoveFailed, {}};
    }
    return {Status::Moved, stored};
}

std::optional<std::vector<std::string>> ListQuarantined(const platform::FileSystem& files, const std::string& folder)
{
    auto entries = files.listFolder(folder);
    if (!entries)
        return std::nullopt;
    std::vector<std::string> names;
    for (const auto& e : *entries) {
        if (e.kind != platform::EntryKind::File)
            continue;
        if (e.attributes & (platform::Attribute::Hidden | platform::Attribute::System))
            continue;
        names.push_back(e.name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return platform::lessIgnoringAsciiCase(a, b);
    });
    return names;
}

}  // namespace quenno::quarantine
