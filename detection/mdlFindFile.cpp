#include "mdlFindFile.h"

#include <algorithm>
#include <unordered_map>

namespace quenno::detection {

struct SignatureIndex::Impl {
    std::vector<std::string> names;
    std::unordered_map<std::string, std::vector<std::size_t>> byChecksum;
};

SignatureIndex::SignatureIndex(const std::vector<std::string>& wName, const std::vector<std::string>& wSign)
{
    auto impl = std::make_shared<Impl>();
    impl->names = wName;
    // Only positions present in both lists are records.
    const std::size_t count = std::min(wName.size(), wSign.size());
    impl->names.resize(count);
    for (std::size_t j = 0; j < count; ++j) {
        // No file has the checksum text "": a record without one never matches.
        if (!wSign[j].empty())
            impl->byChecksum[wSign[j]].push_back(j);
    }
    m_impl = std::move(impl);
}

const std::vector<std::size_t>* SignatureIndex::find(const std::string& text) const
{
    const auto it = m_impl->byChecksum.find(text);
    return it == m_impl->byChecksum.end() ? nullptr : &it->second;
}

const std::vector<std::string>& SignatureIndex::names() const
{
    return m_impl->names;
}

bool SignatureIndex::empty() const
{
    return m_impl->byChecksum.empty();
}

namespace {

struct Walk {
    const platform::FileSystem& files;
    const std::string pattern;  // a copy: the screen's table may be reloaded during a yield
    const SignatureIndex& signatures;
    const std::int64_t sizeLimit;
    CRC& crc;
    ScanView& view;
    const char separator;

    void folder(std::string path);
    void examine(const std::string& path, const platform::DirEntry& file);
};

void Walk::folder(std::string path)
{
    if (view.stopRequested())
        return;
    if (path.empty())
        return;
    if (path.back() != separator)
        path += separator;

    // One listing serves both passes: its kinds, lengths and attributes are all the walk
    // needs, so no entry is looked up a second time.
    const auto listing = files.listFolder(path);
    if (!listing)
        return;

    std::vector<std::string> subfolders;
    for (const auto& entry : *listing) {
        if (entry.kind == platform::EntryKind::Folder && (entry.attributes & platform::Attribute::System) == 0)
            subfolders.push_back(entry.name);
    }

    for (const auto& entry : *listing) {
        // Only regular files: links, FIFOs, sockets and devices are never opened.
        if (entry.kind != platform::EntryKind::File || !platform::wildcardMatch(pattern, entry.name))
            continue;
        if (view.stopRequested())
            return;
        examine(path, entry);
    }

    for (const auto& name : subfolders) {
        folder(path + name + separator);
        if (view.stopRequested())
            return;
    }
}

void Walk::examine(const std::string& path, const platform::DirEntry& file)
{
    const std::string fullPath = path + file.name;
    view.setStatus(fullPath);
    view.letEventsRun();
    if (sizeLimit < 0 || file.length > static_cast<std::uint64_t>(sizeLimit))
        return;
    if (signatures.empty())
        return;  // nothing to compare with: the file need not be read

    const auto matches = signatures.find(crc.FromFile(fullPath));
    if (matches == nullptr)
        return;
    // Every record that holds this checksum is reported, in list order.
    for (const std::size_t j : *matches) {
        if (view.killProcessOn())
            view.killProcessesNamed(file.name);
        view.addResult(fullPath, "File " + file.name + ", detected as: " + signatures.names()[j]);
    }
}

} // namespace

void FindAndMatch(const platform::FileSystem& files, std::string folder, const std::string& pattern,
                  const SignatureIndex& signatures, std::int64_t sizeLimit, CRC& crc, ScanView& view)
{
    Walk walk{files, pattern, signatures, sizeLimit, crc, view, files.separator()};
    walk.folder(std::move(folder));
}

} // namespace quenno::detection
