#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace vt
{

// Gives entries of an existing zip archive new data (adds those it does not
// hold); every other entry is copied as it is, in its place. Raises when the
// archive cannot be opened or written; it is then left as it was.
void ReplaceZipEntries(const QString& path, const QHash<QString, QByteArray>& entries);

} // namespace vt
