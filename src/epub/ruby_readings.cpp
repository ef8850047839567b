#include "epub/ruby_readings.h"

#include <QRegularExpression>
#include <QString>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

bool isKana(QChar c)
{
    return (c.unicode() >= 0x3040 && c.unicode() <= 0x30FF) || c.isSpace();
}

// The kana readings of one ruby element, or "" when it has none or another kind.
QString kanaReading(const QString& ruby)
{
    static const QRegularExpression rt(u"<rt\\b[^>]*>(.*?)</rt\\s*>"_s,
                                       QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(u"<[^>]*>"_s);
    QString reading;
    for (const QRegularExpressionMatch& m : rt.globalMatch(ruby))
        reading += m.captured(1).remove(tag);
    reading = reading.trimmed();
    return std::all_of(reading.begin(), reading.end(), isKana) ? reading : QString();
}

} // namespace

QByteArray WithRubyReadings(const QByteArray& xhtml)
{
    QByteArray out;
    qsizetype copied = 0;
    qsizetype at = xhtml.indexOf("<ruby");
    while (at >= 0) {
        const char after = at + 5 < xhtml.size() ? xhtml[at + 5] : '\0';
        const qsizetype close = xhtml.indexOf("</ruby>", at);
        if (close < 0)
            break;
        const QString reading = after == '>' || QChar::fromLatin1(after).isSpace()
                                    ? kanaReading(QString::fromUtf8(xhtml.mid(at, close - at)))
                                    : QString();
        if (!reading.isEmpty()) {
            out += xhtml.mid(copied, at - copied) + reading.toUtf8();
            copied = close + 7;
        }
        at = xhtml.indexOf("<ruby", reading.isEmpty() ? at + 1 : copied);
    }
    if (copied == 0)
        return xhtml;
    return out + xhtml.mid(copied);
}

} // namespace vt
