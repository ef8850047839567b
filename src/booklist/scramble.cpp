#include "booklist/scramble.h"

namespace vt
{
namespace
{

int code(QChar c)
{
    return c.unicode() <= 255 ? c.unicode() : '?';
}

template <class Shift>
QString walk(const QString& text, const QString& key, const Yield& yield, Shift shift)
{
    if (key.isEmpty())
        return text;
    QString result;
    result.reserve(text.size());
    qsizetype p = 0;
    for (const QChar c : text) {
        if (yield)
            yield();
        const int k = code(key[p]);
        p = (p + 1) % key.size();
        result.append(QChar(static_cast<char16_t>(shift(code(c), k))));
    }
    return result;
}

} // namespace

QString ScrambleText(const QString& text, const QString& key, const Yield& yield)
{
    return walk(text, key, yield, [](int t, int k) {
        const int s = t + k;
        return s >= 256 ? s - 255 : s;
    });
}

QString UnscrambleText(const QString& text, const QString& key, const Yield& yield)
{
    return walk(text, key, yield, [](int t, int k) {
        const int s = t - k;
        return s <= 0 ? s + 255 : s;
    });
}

} // namespace vt
