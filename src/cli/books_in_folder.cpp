#include "voice_choice.h"

#include <QDirIterator>

namespace vt {

QStringList EpubBooksInFolder(const QString& folder)
{
    // Replaced by the book list's own folder scan once it lands.
    QStringList books;
    QDirIterator it(folder, {QStringLiteral("*.epub")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        books << it.next();
    return books;
}

} // namespace vt
