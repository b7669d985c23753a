#include "LinuxRegistry.h"

#include "LinuxRegistryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace quenno::platform {

namespace {

// A store file is a few kilobytes; anything this large is not one of ours.
constexpr qint64 MaxStoreBytes = 16 * 1024 * 1024;

bool hasControlCharacter(std::string_view text)
{
    for (const char c : text)
        if (c == '\0' || c == '\r' || c == '\n')
            return true;
    return false;
}

} // namespace

struct LinuxRegistry::Address {
    QString file;
    std::string key;   // full key path, root in long form
    std::string name;  // value name
};

struct LinuxRegistry::Loaded {
    regfile::Document document;
    bool exists = false;
    bool unreadable = false;  // exists, but could not be read: never written over
    bool damaged = false;     // read, but not a registry file: copied aside before a write
};

LinuxRegistry::LinuxRegistry() : LinuxRegistry(defaultUserFile(), defaultMachineFile()) {}

LinuxRegistry::LinuxRegistry(QString userFile, QString machineFile)
    : m_userFile(std::move(userFile)), m_machineFile(std::move(machineFile))
{
}

LinuxRegistry::~LinuxRegistry() = default;

QString LinuxRegistry::defaultUserFile()
{
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return folder + QStringLiteral("/QuennoAV/registry.reg");
}

QString LinuxRegistry::defaultMachineFile()
{
    return QStringLiteral("/etc/QuennoAV/registry.reg");
}

std::optional<LinuxRegistry::Address> LinuxRegistry::address(const std::string& path) const
{
    const auto first = path.find('\\');
    const auto last = path.rfind('\\');
    if (first == std::string::npos || last + 1 >= path.size() || hasControlCharacter(path))
        return std::nullopt;
    const std::string root = regfile::longRoot(std::string_view(path).substr(0, first));
    QString file;
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

LinuxRegistry::Loaded LinuxRegistry::load(const QString& file) const
{
    Loaded loaded;
    QFile in(file);
    loaded.exists = QFileInfo(file).isFile();
    if (!loaded.exists) {
        // A folder or a device in the file's place is no store either.
        if (QFileInfo::exists(file))
            loaded.exists = loaded.unreadable = true;
        return loaded;
    }
    QString problem;
    if (!in.open(QIODevice::ReadOnly)) {
        loaded.unreadable = true;
        problem = QStringLiteral("The registry file \"%1\" cannot be read, so its settings are "
                                 "ignored and nothing is written to it.").arg(file);
    } else {
        const QByteArray bytes = in.read(MaxStoreBytes + 1);
        auto document = bytes.size() > MaxStoreBytes
            ? std::nullopt
            : regfile::parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        if (document) {
            loaded.document = std::move(*document);
        } else {
            loaded.damaged = true;
            problem = QStringLiteral("The registry file \"%1\" is damaged, so its settings are ignored. "
                                     "A copy of it is kept beside it before anything new is written.")
                          .arg(file);
        }
    }
    if (!problem.isEmpty() && m_reported.insert(file).second)
        m_problems.push_back(problem.toStdString());
    return loaded;
}

bool LinuxRegistry::store(const QString& file, const Loaded& loaded, const regfile::Document& document)
{
    if (loaded.unreadable)
        return false;
    const QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    if (loaded.damaged) {
        QString copy = file + QStringLiteral(".damaged");
        for (int n = 2; QFileInfo::exists(copy) || QFileInfo(copy).isSymLink(); ++n) {
            if (n > 1000)
                return false;
            copy = file + QStringLiteral(".damaged.%1").arg(n);
        }
        if (!QFile::copy(file, copy))
            return false;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const std::string text = regfile::write(document);
    // The write only fills a buffer: a full disk shows when it is flushed, and commit()
    // would otherwise put the short file in place of the store and report success.
    if (out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())
        || !out.flush()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

template <typename Change>
bool LinuxRegistry::change(const std::string& path, Change&& apply)
{
    const auto where = address(path);
    if (!where)
        return false;
    Loaded loaded = load(where->file);
    regfile::Document document = loaded.document;
    if (!apply(document, *where))
        return false;
    return store(where->file, loaded, document);
}

bool LinuxRegistry::writeString(const std::string& path, const std::string& data)
{
    if (hasControlCharacter(data))
        return false;
    return change(path, [&](regfile::Document& document, const Address& where) {
        regfile::Key& key = document.makeKey(where.key);
        regfile::Value value{where.name, regfile::Value::Kind::String, data, 0};
        if (regfile::Value* existing = regfile::findValue(key, where.name))
            *existing = {existing->name, value.kind, value.text, 0};
        else
            key.values.push_back(std::move(value));
        return true;
    });
}

bool LinuxRegistry::writeDword(const std::string& path, std::uint32_t data)
{
    return change(path, [&](regfile::Document& document, const Address& where) {
        regfile::Key& key = document.makeKey(where.key);
        if (regfile::Value* existing = regfile::findValue(key, where.name))
            *existing = {existing->name, regfile::Value::Kind::Dword, {}, data};
        else
            key.values.push_back({where.name, regfile::Value::Kind::Dword, {}, data});
        return true;
    });
}

bool LinuxRegistry::deleteValue(const std::string& path)
{
    return change(path, [&](regfile::Document& document, const Address& where) {
        regfile::Key* key = document.findKey(where.key);
        if (!key)
            return false;
        return std::erase_if(key->values, [&](const regfile::Value& value) {
                   return regfile::sameName(value.name, where.name);
               }) > 0;
    });
}

std::optional<RegistryValue> LinuxRegistry::readValue(const std::string& path) const
{
    const auto where = address(path);
    if (!where)
        return std::nullopt;
    const Loaded loaded = load(where->file);
    const regfile::Key* key = loaded.document.findKey(where->key);
    if (!key)
        return std::nullopt;
    const regfile::Value* value = regfile::findValue(*key, where->name);
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

} // namespace quenno::platform
