#include "dropped_paths.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

QStringList DroppedPaths(const QMimeData* mime, DroppedKind kind)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.exists() && info.isDir() == (kind == DroppedKind::Folders))
            paths << info.absoluteFilePath();
    }
    return paths;
}
