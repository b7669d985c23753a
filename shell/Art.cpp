#include "Art.h"

#include <QFile>

// The resource lives in a static library; naming its initialiser here links it in.
static void initArtResource() { Q_INIT_RESOURCE(quenno_art); }

namespace quenno::shell {

namespace {

void ensureResource()
{
    static const bool done = [] {
        initArtResource();
        return true;
    }();
    (void)done;
}

}  // namespace

QPixmap art(const QString& screen, const QString& name)
{
    ensureResource();
    const QString path = QStringLiteral(":/art/%1/%2.png").arg(screen, name);
    QPixmap pixmap(path);
    if (pixmap.isNull())
        qWarning("no artwork %s", qPrintable(path));
    return pixmap;
}

QIcon windowIcon()
{
    ensureResource();
    QIcon icon;
    const QPixmap big(QStringLiteral(":/art/Common/Icon.png"));
    if (big.isNull())
        return icon;
    icon.addPixmap(big);
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(big.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return icon;
}

}  // namespace quenno::shell
