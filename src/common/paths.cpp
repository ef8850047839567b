#include "common/paths.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vt
{

QString GetFileName(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString GetFolderPart(const QString& path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString StripExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

QString CollapseBackslashes(const QString& path)
{
    if (!path.startsWith(u'/')) {
        QString result = path;
        return result.replace(u"//"_s, u"/"_s);
    }
    qsizetype rest = 1;
    while (rest < path.size() && path[rest] == u'/')
        ++rest;
    return u'/' + path.mid(rest).replace(u"//"_s, u"/"_s);
}

QString GetShortPath(const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return {};
    return path;
}

QString PieceNumber(int piece)
{
    return QStringLiteral("%1").arg(piece, 3, 10, QChar(u'0'));
}

} // namespace vt
