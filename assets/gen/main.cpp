// Build-time generator of the program's artwork and media.
//   quenno_artgen art <folder>    every picture as <folder>/art/<screen>/<name>.png, and <folder>/art.qrc
//   quenno_artgen media <folder>  wave files, the progress animation, the credits movie and
//                                 the music as a wave file (the build encodes it to MP3)
//   quenno_artgen icons <folder> <name>  the window icon for the desktop's icon theme, as
//                                 <folder>/hicolor/<size>x<size>/apps/<name>.png
// Output is the same on every run, so the build can run it again at any time.

#include "ArtTable.h"
#include "Media.h"
#include "Pictures.h"
#include "Theme.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

using namespace quenno::assets;

QByteArray pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

int makeArt(const QString& folder)
{
    loadFonts();
    QString qrc = QStringLiteral("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n");
    for (const ArtRow& row : kArt) {
        const QString screen = QString::fromUtf8(row.screen);
        const QString name = QString::fromUtf8(row.name);
        const QString relative = QStringLiteral("art/%1/%2.png").arg(screen, name);
        if (!QDir(folder).mkpath(QStringLiteral("art/") + screen)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(folder + QStringLiteral("/art/") + screen));
            return 1;
        }
        QImage image = paintRow(row);
        if (row.kind == Kind::Background)
            image = image.convertToFormat(QImage::Format_RGB32);
        if (image.width() != row.width || image.height() != row.height) {
            std::fprintf(stderr, "%s is %dx%d, not %dx%d\n", qPrintable(relative), image.width(), image.height(),
                         row.width, row.height);
            return 1;
        }
        if (!writeIfChanged(folder + QLatin1Char('/') + relative, pngBytes(image))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(relative));
            return 1;
        }
        qrc += QStringLiteral("  <file>%1</file>\n").arg(relative);
    }
    qrc += QStringLiteral("</qresource>\n</RCC>\n");
    return writeIfChanged(folder + QStringLiteral("/art.qrc"), qrc.toUtf8()) ? 0 : 1;
}

// Each size is painted afresh so that small icons stay sharp instead of being scaled down.
int makeIcons(const QString& folder, const QString& name)
{
    const auto icon = std::find_if(kArt.begin(), kArt.end(), [](const ArtRow& row) {
        return row.kind == Kind::WindowIcon;
    });
    if (icon == kArt.end()) {
        std::fprintf(stderr, "no window icon in the artwork table\n");
        return 1;
    }
    loadFonts();
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        ArtRow row = *icon;
        row.width = size;
        row.height = size;
        const QString sub = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        const QString file = folder + QLatin1Char('/') + sub + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!QDir(folder).mkpath(sub) || !writeIfChanged(file, pngBytes(paintRow(row)))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("icons"))
        return makeIcons(args[2], args[3]);
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: quenno_artgen art|media <folder> | icons <folder> <name>\n");
        return 2;
    }
    if (args[1] == QLatin1String("art"))
        return makeArt(args[2]);
    if (args[1] == QLatin1String("media")) {
        loadFonts();
        return makeMedia(args[2]) ? 0 : 1;
    }
    std::fprintf(stderr, "unknown mode %s\n", qPrintable(args[1]));
    return 2;
}
