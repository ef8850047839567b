#include "speech/voice_languages.h"

#include <QLocale>
#include <QStringList>
#include <limits>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

QString primary(const QString& normalTag)
{
    return normalTag.section(u'-', 0, 0);
}

// How well a language a voice lists fits the wanted one: 3 the whole tag,
// 2 the bare language, 1 the language with another region, 0 not at all.
int fit(const QString& listed, const QString& wanted)
{
    if (listed == wanted)
        return 3;
    const QString language = primary(wanted);
    if (listed == language)
        return 2;
    return primary(listed) == language ? 1 : 0;
}

} // namespace

QString NormalLanguageTag(const QString& tag)
{
    QString normal = tag.trimmed().section(u'.', 0, 0).section(u'@', 0, 0).toLower();
    normal.replace(u'_', u'-');
    QString language = primary(normal);
    if (language.isEmpty() || language == u"und"_s || language == u"mul"_s ||
        language == u"zxx"_s || language == u"c"_s || language == u"posix"_s)
        return {};
    if (language == u"iw"_s)
        language = u"he"_s;
    else if (language == u"in"_s)
        language = u"id"_s;
    else if (language == u"ji"_s)
        language = u"yi"_s;
    else if (language.size() == 3) {
        const QLocale::Language known = QLocale::codeToLanguage(language, QLocale::ISO639Part2);
        const QString twoLetters = QLocale::languageToCode(known, QLocale::ISO639Part1);
        if (known != QLocale::AnyLanguage && !twoLetters.isEmpty())
            language = twoLetters;
    }
    const qsizetype dash = normal.indexOf(u'-');
    return dash < 0 ? language : language + normal.mid(dash);
}

int BestVoiceForLanguage(const QString& tag, const QList<VoiceLanguages>& voices)
{
    const QString wanted = NormalLanguageTag(tag);
    if (wanted.isEmpty())
        return -1;
    int best = -1;
    int bestFit = 0;
    int bestPriority = std::numeric_limits<int>::max();
    for (qsizetype i = 0; i < voices.size(); ++i) {
        for (const VoiceLanguage& language : voices[i]) {
            const int f = fit(NormalLanguageTag(language.tag), wanted);
            if (f > bestFit || (f == bestFit && f > 0 && language.priority < bestPriority)) {
                best = int(i);
                bestFit = f;
                bestPriority = language.priority;
            }
        }
    }
    return best;
}

bool SpeaksLanguage(const VoiceLanguages& voice, const QString& tag)
{
    const QString wanted = NormalLanguageTag(tag);
    for (const VoiceLanguage& language : voice)
        if (!wanted.isEmpty() && fit(NormalLanguageTag(language.tag), wanted) > 0)
            return true;
    return false;
}

int VoiceForLocale(const QList<VoiceLanguages>& voices, const QString& localeName)
{
    int index = BestVoiceForLanguage(localeName, voices);
    if (index < 0)
        index = BestVoiceForLanguage(u"en"_s, voices);
    if (index < 0 && !voices.isEmpty())
        index = 0;
    return index;
}

QLocale::Script LanguageScript(const QString& tag)
{
    const QLocale::Language language = QLocale::codeToLanguage(primary(NormalLanguageTag(tag)));
    if (language == QLocale::AnyLanguage || language == QLocale::C)
        return QLocale::AnyScript;
    const QLocale locale(language);
    return locale.language() == language ? locale.script() : QLocale::AnyScript;
}

int VoiceForScript(QLocale::Script script, const QList<VoiceLanguages>& voices)
{
    int best = -1;
    for (qsizetype i = 0; i < voices.size(); ++i)
        if (script != QLocale::AnyScript && !voices[i].isEmpty() &&
            LanguageScript(voices[i].first().tag) == script &&
            (best < 0 || voices[i].first().priority < voices[best].first().priority))
            best = int(i);
    return best;
}

QString ChineseVariety(const QString& tag)
{
    const QStringList subtags = NormalLanguageTag(tag).split(u'-');
    if (subtags.first() != u"zh"_s)
        return tag;
    for (const QString& s : subtags.mid(1))
        if (s == u"hk"_s || s == u"mo"_s || s == u"yue"_s)
            return u"yue"_s;
    return tag;
}

bool IsMandarin(const QString& tag)
{
    const QString language = primary(NormalLanguageTag(ChineseVariety(tag)));
    return language == u"cmn"_s || language == u"zh"_s;
}

bool IsChinese(const QString& tag)
{
    const QString language = primary(NormalLanguageTag(tag));
    return language == u"zh"_s || language == u"cmn"_s || language == u"yue"_s;
}

QString LanguageName(const QString& tag)
{
    const QLocale::Language language = QLocale::codeToLanguage(primary(NormalLanguageTag(tag)));
    if (language == QLocale::AnyLanguage || language == QLocale::C)
        return tag;
    return QLocale::languageToString(language);
}

} // namespace vt
