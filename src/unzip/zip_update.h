#pragma once

#include "common/expected.h"

#include <QByteArray>
#include <QHash>
#include <QString>

namespace vt
{

// Gives entries of an existing zip archive new data (adds those it does not
// hold); every other entry is copied as it is, in its place. When the
// archive cannot be opened or written, it is left as it was.
Expected<void> ReplaceZipEntries(const QString& path, const QHash<QString, QByteArray>& entries);

} // namespace vt
