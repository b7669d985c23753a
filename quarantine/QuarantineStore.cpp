#include "QuarantineStore.h"

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

bool asciiLess(const std::string& a, const std::string& b)
{
    const auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = lower(static_cast<unsigned char>(a[i]));
        const unsigned char y = lower(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

std::string joined(const platform::FileSystem& files, const std::string& folder, const std::string& name)
{
    std::string path = folder;
    if (path.empty() || path.back() != files.separator())
        path += files.separator();
    return path + name;
}

} // namespace

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

std::string QuarantineFolder(const platform::FileSystem& files)
{
    return files.inDataFolder(kQuarantineFolderName);
}

RemoveOutcome RemoveDetectedFile(platform::FileSystem& files, const std::string& path)
{
    if (!files.entry(path))
        return RemoveOutcome::AlreadyGone;
    files.setAttributes(path, platform::Attribute::Normal);
    if (files.removeFile(path) || !files.entry(path))
        return RemoveOutcome::Removed;
    return RemoveOutcome::Failed;
}

bool SameContent(const platform::FileSystem& files, const std::string& a, const std::string& b)
{
    auto ra = files.openRead(a);
    auto rb = files.openRead(b);
    if (!ra || !rb || ra->length() != rb->length())
        return false;
    std::vector<std::uint8_t> bufferA(64 * 1024);
    std::vector<std::uint8_t> bufferB(bufferA.size());
    for (;;) {
        const std::int64_t gotA = ra->read(bufferA);
        if (gotA < 0)
            return false;
        // Fill the same count from b (a reader may return fewer bytes than asked).
        std::int64_t gotB = 0;
        while (gotB < gotA) {
            const std::int64_t got = rb->read(std::span<std::uint8_t>(bufferB.data() + gotB, static_cast<std::size_t>(gotA - gotB)));
            if (got <= 0)
                return false;
            gotB += got;
        }
        if (gotA == 0) {
            std::array<std::uint8_t, 1> probe{};
            return rb->read(probe) == 0;
        }
        if (!std::equal(bufferA.begin(), bufferA.begin() + gotA, bufferB.begin()))
            return false;
    }
}

QuarantineOutcome QuarantineFile(platform::FileSystem& files, const platform::Clock& clock, const std::string& path)
{
    using Status = QuarantineOutcome::Status;
    const auto source = files.entry(path);
    if (!source)
        return {Status::AlreadyGone, {}};
    if (source->kind != platform::EntryKind::File)
        return {Status::CopyFailed, {}};

    const std::string folder = QuarantineFolder(files);
    if (!files.exists(folder))
        files.createFolder(folder);

    const std::string stamp = QuarantineStamp(SecondsSinceLocalMidnight(clock.now()));
    std::string stored;
    for (int n = 1; n <= kMostNamesPerStamp && stored.empty(); ++n) {
        const std::string candidate = joined(files, folder, QuarantineName(stamp, n));
        if (files.entry(candidate))
            continue;
        if (files.copyFile(path, candidate, false))
            stored = candidate;
        else if (!files.entry(candidate))
            return {Status::CopyFailed, {}};  // not a name clash: the copy itself failed
    }
    if (stored.empty())
        return {Status::CopyFailed, {}};

    if (!SameContent(files, path, stored)) {
        files.removeFile(stored);
        return {Status::CopyDiffers, {}};
    }
    files.setAttributes(stored, platform::Attribute::Normal);
    files.forbidExecution(stored);

    if (RemoveDetectedFile(files, path) == RemoveOutcome::Failed) {
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
    std::sort(names.begin(), names.end(), asciiLess);
    return names;
}

} // namespace quenno::quarantine
