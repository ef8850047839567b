#include "pipeline/chapter_files.h"

#include <QList>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// Bidirectional controls turn a name around where it is shown
// ("gpj.exe" read backwards as "exe.jpg").
bool bidiControl(char32_t c)
{
    return c == 0x061c || c == 0x200e || c == 0x200f || (c >= 0x202a && c <= 0x202e) ||
           (c >= 0x2066 && c <= 0x2069);
}

bool refused(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0) || c == 0x2028 || c == 0x2029 || bidiControl(c) ||
           (c < 0x80 && QStringView(u"/\\:*?\"<>|").contains(QChar(c)));
}

QString safeTitle(const QString& title)
{
    QString kept;
    qsizetype bytes = 0;
    for (const char32_t c : title.toUcs4()) {
        const QString text = refused(c) ? u" "_s : QString::fromUcs4(&c, 1);
        // Cut at a whole character, never inside one.
        bytes += text.toUtf8().size();
        if (bytes > kChapterNameBytesMax)
            break;
        kept += text;
    }
    kept = kept.simplified();
    while (!kept.isEmpty() && (kept.back() == u'.' || kept.back() == u' '))
        kept.chop(1);
    while (!kept.isEmpty() && (kept.front() == u'.' || kept.front() == u' '))
        kept.remove(0, 1);
    return kept;
}

} // namespace

QString ChapterFileName(int number, int total, const QString& title, const QString& suffix)
{
    const int width = std::max<int>(2, int(QString::number(total).size()));
    const QString n = QString::number(number).rightJustified(width, u'0');
    QString name = safeTitle(title);
    if (name.isEmpty())
        name = u"Chapter "_s + QString::number(number);
    return n + u" - "_s + name + suffix;
}

} // namespace vt
