#include "LinuxLauncher.h"

#include <QFile>
#include <QFileInfo>

// GIO's headers use the word Qt defines as a macro for its signal sections.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <memory>
#include <string>

namespace quenno::platform {

namespace {

struct Unref {
    void operator()(void* object) const { g_object_unref(object); }
};
using AppInfo = std::unique_ptr<GAppInfo, Unref>;
using File = std::unique_ptr<GFile, Unref>;
using FileInfo = std::unique_ptr<GFileInfo, Unref>;

File fileFor(const QString& path)
{
    return File(g_file_new_for_path(QFile::encodeName(QFileInfo(path).absoluteFilePath()).constData()));
}

// The content type GIO gives the file (by its name and, where that is unsure, its bytes).
std::string contentTypeOf(const QString& path)
{
    const File file = fileFor(path);
    const FileInfo info(g_file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE,
                                          nullptr, nullptr));
    if (info) {
        const char* type = g_file_info_get_content_type(info.get());
        if (type)
            return type;
    }
    // A file that is not there (yet) still has the type its name tells.
    gchar* guessed
        = g_content_type_guess(QFile::encodeName(QFileInfo(path).fileName()).constData(), nullptr, 0, nullptr);
    std::string type = guessed ? guessed : "";
    g_free(guessed);
    return type;
}

// Starts the default program for the type with the file, GIO expanding the entry's field
// codes. False when there is no such program or it could not be started.
bool openWithDefaultFor(const std::string& contentType, const QString& path)
{
    if (contentType.empty())
        return false;
    const AppInfo app(g_app_info_get_default_for_type(contentType.c_str(), FALSE));
    if (!app)
        return false;
    const File file = fileFor(path);
    GList files{};
    files.data = file.get();
    GError* error = nullptr;
    const bool started = g_app_info_launch(app.get(), &files, nullptr, &error) != FALSE;
    if (error)
        g_error_free(error);
    return started;
}

}  // namespace

bool LinuxLauncher::openHelp(const QString& path) { return openWithDefaultFor(contentTypeOf(path), path); }

bool LinuxLauncher::openTextEditor(const QString& path) { return openWithDefaultFor("text/plain", path); }

}  // namespace quenno::platform
