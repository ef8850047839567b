#include "app/hand_cursor.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QtEndian>

namespace vt
{

QCursor LoadCursorFile(const QString& path, Qt::CursorShape fallback)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QCursor(fallback);
    const QByteArray bytes = file.readAll();
    QImage image;
    if (!image.loadFromData(bytes, "CUR") && !image.loadFromData(bytes))
        return QCursor(fallback);

    // The first directory entry of a cursor file holds the hot spot where an
    // icon file keeps planes and bit count.
    int hotX = -1;
    int hotY = -1;
    if (bytes.size() >= 6 + 16 && qFromLittleEndian<quint16>(bytes.constData() + 2) == 2) {
        hotX = qFromLittleEndian<quint16>(bytes.constData() + 6 + 4);
        hotY = qFromLittleEndian<quint16>(bytes.constData() + 6 + 6);
        if (hotX >= image.width() || hotY >= image.height())
            hotX = hotY = -1;
    }
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

} // namespace vt
