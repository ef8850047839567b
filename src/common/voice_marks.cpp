#include "common/voice_marks.h"

namespace vt
{
namespace
{

// ⟦ and ⟧ in UTF-8.
constexpr char kOpen[] = "\xE2\x9F\xA6";
constexpr char kClose[] = "\xE2\x9F\xA7";

constexpr bool keyCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

} // namespace

VoiceMark VoiceMarkAt(const char* p, const char* end)
{
    if (end - p < 6 || p[0] != kOpen[0] || p[1] != kOpen[1] || p[2] != kOpen[2])
        return {};
    const char* k = p + 3;
    while (k < end && k - p - 3 <= kVoiceKeyMax && keyCharacter(*k))
        ++k;
    const int key = int(k - p - 3);
    if (key > kVoiceKeyMax || end - k < 3 || k[0] != kClose[0] || k[1] != kClose[1] ||
        k[2] != kClose[2])
        return {};
    return {key + 6, key + 2, QByteArrayView(p + 3, key)};
}

qsizetype VoiceMarkLength(QStringView text, qsizetype i)
{
    if (i >= text.size() || text[i] != kVoiceMarkOpen)
        return 0;
    qsizetype k = i + 1;
    while (k < text.size() && k - i - 1 <= kVoiceKeyMax && text[k].unicode() < 0x80 &&
           keyCharacter(char(text[k].unicode())))
        ++k;
    if (k - i - 1 > kVoiceKeyMax || k >= text.size() || text[k] != kVoiceMarkClose)
        return 0;
    return k + 1 - i;
}

QString VoiceMarkText(const QString& key)
{
    return QChar(kVoiceMarkOpen) + key + QChar(kVoiceMarkClose);
}

QString InVoice(const QString& key, const QString& text)
{
    return VoiceMarkText(key) + text + VoiceMarkText({});
}

QString WithoutVoiceMarks(QString text)
{
    for (QChar& c : text)
        if (c == kVoiceMarkOpen || c == kVoiceMarkClose)
            c = u' ';
    return text;
}

} // namespace vt
