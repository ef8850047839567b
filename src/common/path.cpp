#include "common/path.h"

#include "common/paths.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace vt
{

Path Path::fromNative(QByteArrayView bytes)
{
    return Path(QFile::decodeName(bytes.toByteArray()));
}

QByteArray Path::native() const
{
    return QFile::encodeName(text_);
}

bool Path::roundTrips(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return fromNative(bytes).native() == bytes;
    return true;
}

Path Path::operator/(QStringView name) const
{
    if (text_.isEmpty())
        return Path(name.toString());
    QString joined = text_;
    if (!joined.endsWith(u'/'))
        joined += u'/';
    return Path(joined.append(name));
}

QString Path::fileName() const
{
    return GetFileName(text_);
}

Path Path::parent() const
{
    const qsizetype slash = text_.lastIndexOf(u'/');
    if (slash < 0)
        return {};
    return Path(slash == 0 ? u"/"_s : text_.left(slash));
}

QString Path::suffix() const
{
    const QString name = fileName();
    const QString stem = StripExtension(name);
    return stem.size() == name.size() ? QString() : name.mid(stem.size() + 1);
}

Path Path::withSuffix(QStringView suffix) const
{
    const QString name = fileName();
    QString changed = text_.left(text_.size() - name.size()) + StripExtension(name) + u'.';
    return Path(changed.append(suffix));
}

} // namespace vt
