#include "common/path.h"

#include "common/paths.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace vt
{

namespace
{

constexpr char16_t kForeignByte = 0xDC00; // + the byte, 0x80..0xFF

bool isForeignByte(QStringView text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    return c >= kForeignByte + 0x80 && c <= kForeignByte + 0xFF &&
           (i == 0 || !text[i - 1].isHighSurrogate());
}

// The length of the UTF-8 character at p, 0 when the byte begins none.
qsizetype utf8Length(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    const qsizetype n = c < 0x80             ? 1
                        : (c & 0xE0) == 0xC0 ? 2
                        : (c & 0xF0) == 0xE0 ? 3
                        : (c & 0xF8) == 0xF0 ? 4
                                             : 0;
    if (n == 0 || end - p < n)
        return 0;
    for (qsizetype i = 1; i < n; ++i)
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    // The shortest form only, and no surrogate or code beyond U+10FFFF.
    const bool valid =
        n == 1 || (n == 2 && c >= 0xC2) ||
        (n == 3 && (c != 0xE0 || p[1] >= 0xA0) && (c != 0xED || p[1] < 0xA0)) ||
        (n == 4 && (c != 0xF0 || p[1] >= 0x90) && (c < 0xF4 || (c == 0xF4 && p[1] < 0x90)));
    return valid ? n : 0;
}

} // namespace

Path Path::fromNative(QByteArrayView bytes)
{
    if (bytes.isValidUtf8())
        return Path(QString::fromUtf8(bytes));
    QString text;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const qsizetype n = utf8Length(p, end);
        if (n == 0)
            text += QChar(char16_t(kForeignByte + *p++));
        else
            text += QString::fromUtf8(reinterpret_cast<const char*>(p), n), p += n;
    }
    return Path(text);
}

QByteArray Path::native() const
{
    if (!hasForeignBytes())
        return text_.toUtf8();
    QByteArray bytes;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text_.size(); ++i) {
        if (!isForeignByte(text_, i))
            continue;
        bytes += QStringView(text_).mid(from, i - from).toUtf8();
        bytes += char(text_[i].unicode() - kForeignByte);
        from = i + 1;
    }
    return bytes + QStringView(text_).mid(from).toUtf8();
}

bool Path::hasForeignBytes() const
{
    for (qsizetype i = 0; i < text_.size(); ++i)
        if (isForeignByte(text_, i))
            return true;
    return false;
}

QString Path::readable() const
{
    if (!hasForeignBytes())
        return text_;
    QStringDecoder windows("windows-1252");
    QString text = text_;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isForeignByte(text, i))
            continue;
        const char byte = char(text[i].unicode() - kForeignByte);
        const QString read = windows.isValid() ? windows.decode(QByteArrayView(&byte, 1))
                                               : QString(QChar(char16_t(uchar(byte))));
        // A byte Windows-1252 leaves unassigned is shown as U+FFFD.
        text[i] = read.size() == 1 ? read[0] : QChar(QChar::ReplacementCharacter);
    }
    return text;
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
