#pragma once

#include <QList>
#include <QLocale>
#include <QString>

namespace vt
{

// A language a voice speaks, as its engine lists it: a BCP 47 tag ("en-GB",
// "fr", "cmn") and how well the voice fits it among the voices for that
// language (1 best; espeak-ng's priority, 5 for a voice's only language).
struct VoiceLanguage {
    QString tag;
    int priority = 5;
};
using VoiceLanguages = QList<VoiceLanguage>; // the voice's own language first

// A language tag in the one form the matching compares: lower case, "-"
// between subtags, no encoding ("de_DE.UTF-8" gives "de-de"), two-letter
// codes for the three-letter ones that have them ("ger", "deu" give "de"),
// and the retired "iw", "in", "ji" as "he", "id", "yi". Empty for no
// language ("", "und", "mul", "zxx", "C", "POSIX").
QString NormalLanguageTag(const QString& tag);

// The position of the voice that best speaks the language: one that lists
// the whole tag (language and region), else one that lists the bare
// language, else one that lists the language with another region; among
// equals the one with the best priority, then the first. -1 when no voice
// speaks the language.
int BestVoiceForLanguage(const QString& tag, const QList<VoiceLanguages>& voices);

// True when the voice lists the tag's language (any region).
bool SpeaksLanguage(const VoiceLanguages& voice, const QString& tag);

// The voice for the user's language (the system locale), else for English,
// else the first; -1 when there is no voice.
int VoiceForLocale(const QList<VoiceLanguages>& voices, const QString& localeName);

// The script the language is written in, as the locale data has it
// (Devanagari for "sa"); AnyScript when it is not known.
QLocale::Script LanguageScript(const QString& tag);

// The position of the voice whose own language is written in the script,
// the one with the best priority, then the first; -1 when there is none.
int VoiceForScript(QLocale::Script script, const QList<VoiceLanguages>& voices);

// Chinese tagged with a region that speaks Cantonese (zh-HK, zh-MO) or as
// zh-yue is Cantonese, "yue"; any other tag stays as it is. A book tagged
// only "zh" (or zh-TW, zh-Hant) is Mandarin, whatever its characters.
QString ChineseVariety(const QString& tag);
// The language is Mandarin: cmn, or Chinese that is not Cantonese.
bool IsMandarin(const QString& tag);
// The language is Chinese of any variety (zh, cmn, yue).
bool IsChinese(const QString& tag);

// The language's English name ("Hebrew", "German"), or the tag itself when
// it names no language known here.
QString LanguageName(const QString& tag);

} // namespace vt
