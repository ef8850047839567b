#include "cli/voice_choice.h"

namespace vt
{

QStringList VoiceNames(const VoiceTokens& voices)
{
    QStringList names;
    for (const VoiceToken& token : voices)
        names.append(token.GetDescription());
    return names;
}

int ChooseVoice(const QStringList& voices, const QString& wanted)
{
    bool isNumber = false;
    const int number = wanted.toInt(&isNumber);
    if (isNumber)
        return number >= 0 && number < voices.size() ? number : -1;
    for (qsizetype i = 0; i < voices.size(); ++i)
        if (voices[i].compare(wanted, Qt::CaseInsensitive) == 0)
            return int(i);
    int found = -1;
    for (qsizetype i = 0; i < voices.size(); ++i) {
        if (voices[i].contains(wanted, Qt::CaseInsensitive)) {
            if (found >= 0)
                return -1; // ambiguous
            found = int(i);
        }
    }
    return found;
}

} // namespace vt
