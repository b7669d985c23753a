#include "LinuxRegistry.h"

#include "LinuxFileSystem.h"
#include "LinuxFsDetail.h"
#include "LinuxRegistryFile.h"
#include "LinuxText.h"
#include "LinuxUserFolders.h"

#include <sys/stat.h>

#include <tuple>

namespace quenno::platform {

namespace {

// A store holds a few settings; a file this large is not one, and is left alone.
constexpr std::uint64_t MaxStoreBytes = 64 * 1024 * 1024;

// Lines named in one message; the rest are counted.
constexpr std::size_t LinesShown = 3;

bool hasControlCharacter(std::string_view text)
{
    for (const char c : text)
        if (c == '\0' || c == '\r' || c == '\n')
            return true;
    return false;
}

// A line as a message can show it: short, without control characters.
std::string shown(const std::string& line) { return linux_fs::shownText(line, 60); }

// What tells one state of a file from another without reading it again: a write in place
// changes the times, a file renamed over it the inode.
using Identity = std::tuple<dev_t, ino_t, off_t, std::int64_t, std::int64_t, std::int64_t, std::int64_t>;

std::optional<Identity> identityOf(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return Identity{st.st_dev,          st.st_ino,         st.st_size,        st.st_mtim.tv_sec,
                    st.st_mtim.tv_nsec, st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
}

}  // namespace

struct LinuxRegistry::Address {
    std::string file;
    std::string key;  // full key path, root in long form
    std::string name;  // value name
};

struct LinuxRegistry::Loaded {
    std::string target;  // the file itself, symbolic links followed
    std::optional<Identity> identity;  // as it was before it was read; nullopt: no file yet
    std::optional<regfile::StoreFile> store;
    std::string refusal;  // why it is neither read nor written; "" when it is
};

LinuxRegistry::LinuxRegistry() : LinuxRegistry(defaultUserFile(), defaultMachineFile()) { }

LinuxRegistry::LinuxRegistry(std::string userFile, std::string machineFile, FileSystem* files)
    : m_userFile(std::move(userFile)), m_machineFile(std::move(machineFile)),
      m_ownFiles(files ? nullptr : std::make_unique<LinuxFileSystem>(std::string())),
      m_files(files ? files : m_ownFiles.get())
{
}

LinuxRegistry::~LinuxRegistry() = default;

std::string LinuxRegistry::defaultUserFile()
{
    return linux_fs::xdgFolder("XDG_CONFIG_HOME", ".config") + "/QuennoAV/registry.reg";
}

std::string LinuxRegistry::defaultMachineFile() { return "/etc/QuennoAV/registry.reg"; }

std::optional<LinuxRegistry::Address> LinuxRegistry::address(const std::string& path) const
{
    const auto first = path.find('\\');
    const auto last = path.rfind('\\');
    if (first == std::string::npos || last + 1 >= path.size() || hasControlCharacter(path))
        return std::nullopt;
    const std::string root = regfile::longRoot(std::string_view(path).substr(0, first));
    std::string file;
    if (root == "HKEY_CURRENT_USER")
        file = m_userFile;
    else if (root == "HKEY_LOCAL_MACHINE")
        file = m_machineFile;
    else
        return std::nullopt;
    const std::string_view keyPart = std::string_view(path).substr(first, last - first);  // "" or "\a\b"
    if (keyPart.find("\\\\") != std::string_view::npos || (!keyPart.empty() && keyPart.back() == '\\'))
        return std::nullopt;
    return Address{file, root + std::string(keyPart), path.substr(last + 1)};
}

LinuxRegistry::Loaded LinuxRegistry::load(const std::string& file) const
{
    Loaded loaded;
    struct stat st;
    loaded.target = file;
    if (::lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        loaded.target = m_files->followLinks(file);
        if (::lstat(loaded.target.c_str(), &st) != 0 || S_ISLNK(st.st_mode))
            loaded.refusal = "is a symbolic link to nothing";
    }
    std::optional<std::string> bytes;
    if (loaded.refusal.empty()) {
        loaded.identity = identityOf(loaded.target);
        const auto entry = m_files->entry(loaded.target);
        if (entry && entry->kind != EntryKind::File)
            loaded.refusal = "is not a file";
        else if (entry && entry->length > MaxStoreBytes)
            loaded.refusal = "is far larger than any registry file";
        else if (entry && !(bytes = m_files->readWholeFile(loaded.target)))
            loaded.refusal = "cannot be read";
        else if (!entry)
            loaded.identity.reset();
    }
    if (loaded.refusal.empty())
        loaded.store.emplace(bytes ? std::move(*bytes) : std::string());
    report(file, loaded);
    return loaded;
}

// Each problem once: a line that cannot be read stays in the file, and every call would
// find it again.
void LinuxRegistry::report(const std::string& file, const Loaded& loaded) const
{
    const std::string prefix = file + '\n';
    const std::string quoted = "The registry file \"" + file + "\" ";
    std::string message;
    if (!loaded.refusal.empty()) {
        if (m_reported.insert(prefix + "refused").second)
            message = quoted + loaded.refusal + ", so its settings are ignored and nothing is written to it.";
    } else {
        const auto& unreadable = loaded.store->unreadable();
        bool fresh = false;
        for (const auto& line : unreadable)
            fresh = m_reported.insert(prefix + line.text).second || fresh;
        if (fresh) {
            std::string list;
            for (std::size_t i = 0; i < unreadable.size() && i < LinesShown; ++i)
                list += (i == 0 ? "" : "; ") + ("line " + std::to_string(unreadable[i].line) + ": ")
                    + shown(unreadable[i].text);
            if (unreadable.size() > LinesShown)
                list += "; and " + std::to_string(unreadable.size() - LinesShown) + " more";
            message = unreadable.size() == 1
                ? quoted + "has a line that cannot be read (" + list
                    + "). It is left as it is and passed over; every other setting is used."
                : quoted + "has " + std::to_string(unreadable.size()) + " lines that cannot be read (" + list
                    + "). They are left as they are and passed over; every other setting is used.";
        }
        if (loaded.store->headerMissing() && m_reported.insert(prefix + "header").second) {
            message += (message.empty() ? "" : "\n") + quoted
                + "does not begin with the line \"Windows Registry Editor Version 5.00\"; it is put on top at "
                  "the next change.";
        }
    }
    if (!message.empty())
        m_problems.push_back(message);
}

template<typename Change> bool LinuxRegistry::change(const std::string& path, Change&& edit)
{
    const auto where = address(path);
    if (!where)
        return false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const Loaded loaded = load(where->file);
        if (!loaded.refusal.empty())
            return false;
        const std::optional<std::string> edited = edit(*loaded.store, *where);
        if (!edited)
            return false;
        if (loaded.identity && loaded.store->holds(*edited))
            return true;
        const std::string folder = linux_fs::parentFolder(loaded.target);
        if (!linux_fs::makeFolders(folder, 0777))
            return false;
        // Another program (an editor, a second QuennoAV) may have written the store since it
        // was read: its change is kept by making the edit again on what it wrote.
        if (identityOf(loaded.target) != loaded.identity)
            continue;
        m_files->removeLeftovers(folder);
        return m_files->writeWholeFile(loaded.target, *edited);
    }
    return false;
}

bool LinuxRegistry::writeString(const std::string& path, const std::string& data)
{
    if (hasControlCharacter(data))
        return false;
    return change(path, [&](const regfile::StoreFile& store, const Address& where) -> std::optional<std::string> {
        return store.set(where.key, {where.name, regfile::Value::Kind::String, data, 0});
    });
}

bool LinuxRegistry::writeDword(const std::string& path, std::uint32_t data)
{
    return change(path, [&](const regfile::StoreFile& store, const Address& where) -> std::optional<std::string> {
        return store.set(where.key, {where.name, regfile::Value::Kind::Dword, {}, data});
    });
}

bool LinuxRegistry::deleteValue(const std::string& path) { return removeValue(path) == Removal::Removed; }

Registry::Removal LinuxRegistry::removeValue(const std::string& path)
{
    bool none = false;
    const bool removed = change(path, [&](const regfile::StoreFile& store, const Address& where) {
        auto edited = store.remove(where.key, where.name);
        none = !edited;
        return edited;
    });
    return removed ? Removal::Removed : none ? Removal::NoneThere : Removal::Refused;
}

std::optional<RegistryValue> LinuxRegistry::readValue(const std::string& path) const
{
    const auto where = address(path);
    if (!where)
        return std::nullopt;
    const Loaded loaded = load(where->file);
    const auto value = loaded.store ? loaded.store->find(where->key, where->name) : std::nullopt;
    if (!value)
        return std::nullopt;
    switch (value->kind) {
    case regfile::Value::Kind::String:
        return RegistryValue{RegistryValue::Type::String, value->text, 0};
    case regfile::Value::Kind::Dword:
        return RegistryValue{RegistryValue::Type::Dword, {}, value->dword};
    case regfile::Value::Kind::Other:
        break;
    }
    return std::nullopt;
}

std::string LinuxRegistry::takeProblem()
{
    std::string text;
    for (const std::string& problem : m_problems)
        text += (text.empty() ? "" : "\n") + problem;
    m_problems.clear();
    return text;
}

}  // namespace quenno::platform
