#include "speech/speech_stretches.h"

#include "common/voice_marks.h"

namespace vt
{
namespace
{

// The text ends a line, blanks aside.
bool endsLine(const QByteArray& text, qsizetype begin, qsizetype end)
{
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r'))
        --end;
    return end > begin && text[end - 1] == '\n';
}

} // namespace

QList<SpeechStretch> SpeechStretches(const QByteArray& text, const QList<SpeechPause>& pauses,
                                     bool endPause)
{
    QList<SpeechStretch> stretches;
    SpeechStretch open; // the stretch being read
    qsizetype pause = 0;
    qint64 position = 0; // code points before `byte`
    const auto close = [&](qsizetype end, bool pauseAtEnd, qint64 silence) {
        open.end = end;
        open.endPause = pauseAtEnd;
        open.silenceAfter = silence;
        stretches.append(open);
        open.begin = end;
        open.position = position;
        open.silenceAfter = 0;
    };
    const char* const data = text.constData();
    for (qsizetype byte = 0; byte < text.size();) {
        if ((static_cast<unsigned char>(text[byte]) & 0xC0) == 0x80) {
            ++byte; // inside a character
            continue;
        }
        for (; pause < pauses.size() && pauses[pause].position <= position; ++pause)
            close(byte, !pauses[pause].replacesEndPause, pauses[pause].samples);
        if (const VoiceMark mark = VoiceMarkAt(data + byte, data + text.size()); mark.bytes > 0) {
            close(byte, endsLine(text, open.begin, byte), 0);
            byte += mark.bytes;
            position += mark.characters;
            open.begin = byte;
            open.position = position;
            open.key = mark.key.toByteArray();
            continue;
        }
        ++position;
        ++byte;
        if (text[byte - 1] == '\n' && !open.key.isEmpty()) {
            close(byte, true, 0);
            open.key.clear();
        }
    }
    for (; pause < pauses.size(); ++pause) // pauses at or past the end
        close(text.size(), !pauses[pause].replacesEndPause, pauses[pause].samples);
    close(text.size(), endPause, 0);
    // Stretches with neither text nor silence are nothing to speak; the
    // pause owed at the end of one without text goes to the last with text.
    QList<SpeechStretch> kept;
    qsizetype spoken = -1; // the last stretch kept with text
    for (const SpeechStretch& s : stretches) {
        if (s.end == s.begin && spoken >= 0)
            kept[spoken].endPause = kept[spoken].endPause || s.endPause;
        if (s.end > s.begin)
            spoken = kept.size();
        if (s.end > s.begin || s.silenceAfter > 0)
            kept.append(s);
    }
    return kept;
}

} // namespace vt
