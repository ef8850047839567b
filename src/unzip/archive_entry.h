#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

namespace vt
{

// One file entry of an archive as a listing reports it. Folder entries are
// never listed.
struct ArchiveEntry {
    QString name;     // the text after the last "/"
    QString folder;   // the text before it; empty at the root
    qint32 size = 0;  // unpacked size
    qint32 ratio = 0; // packed size as a percentage of the unpacked size
    QString method;
    QDateTime date; // to the minute
    quint32 crc = 0;
    bool encrypted = false;
    bool selected = false;
};

} // namespace vt
