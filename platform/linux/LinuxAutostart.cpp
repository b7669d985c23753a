#include "LinuxAutostart.h"

#include "LinuxFileSystem.h"
#include "LinuxText.h"
#include "LinuxUserFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace quenno::platform {

namespace {

bool usableName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos
        && name.find('\0') == std::string::npos && linux_fs::isUtf8(name);
}

// Escapes of the key file's string type, applied to every value as the last step.
std::string escapeString(const std::string& value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case ' ':
            out += i == 0 ? "\\s" : " ";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// One argument of an Exec line: always inside double quotes, where '"', '`', '$' and '\'
// take a backslash; a literal '%' is written "%%" so it is not read as a field code.
std::string quoteExecArgument(const std::string& argument)
{
    std::string out = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        if (c == '%')
            out += '%';
        out += c;
    }
    out += '"';
    return out;
}

// Launchers check that the first word of the line names a program before they turn "%%"
// back into "%", so a path holding "%" is handed to the shell as an argument instead.
std::string execLine(const std::string& exePath)
{
    if (exePath.find('%') == std::string::npos)
        return quoteExecArgument(exePath);
    return "/bin/sh -c " + quoteExecArgument("exec \"$0\"") + " " + quoteExecArgument(exePath);
}

std::string entryPath(const std::string& name) { return LinuxAutostart::folder() + "/" + name + ".desktop"; }

}  // namespace

std::string LinuxAutostart::executablePath() const { return linux_fs::executablePath(); }

std::string LinuxAutostart::folder() { return linux_fs::xdgFolder("XDG_CONFIG_HOME", ".config") + "/autostart"; }

std::optional<std::string> LinuxAutostart::entryText(const std::string& name, const std::string& exePath)
{
    if (!usableName(name) || exePath.empty() || exePath.front() != '/' || exePath.find('\0') != std::string::npos
        || !linux_fs::isUtf8(exePath))
        return std::nullopt;
    const std::string workingFolder = exePath.substr(0, std::max<std::size_t>(exePath.rfind('/'), 1));
    std::string text = "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=" + escapeString(name) + "\n";
    text += "Exec=" + escapeString(execLine(exePath)) + "\n";
    // The help and signature-list commands name their files relative to the working folder.
    text += "Path=" + escapeString(workingFolder) + "\n";
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

bool LinuxAutostart::enable(const std::string& name, const std::string& exePath)
{
    const std::optional<std::string> text = entryText(name, exePath);
    if (!text || !linux_fs::makeFolders(folder(), 0777))
        return false;
    // Written beside the entry and renamed over it: a session never reads half an entry.
    // An entry the user made a link stays one; the file it leads to gets the new text.
    RewriteOptions options;
    options.throughLink = true;
    return LinuxFileSystem(std::string()).rewriteWholeFile(entryPath(name), *text, options).ok();
}

bool LinuxAutostart::disable(const std::string& name)
{
    if (!usableName(name))
        return false;
    const std::string path = entryPath(name);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT)
        return true;
    return ::unlink(path.c_str()) == 0;
}

}  // namespace quenno::platform
