#pragma once
#include <QStringList>

class QMimeData;

// The local paths a drag carries: picture files (anything not a folder) or folders.
enum class DroppedKind { Files, Folders };
QStringList DroppedPaths(const QMimeData* mime, DroppedKind kind);
