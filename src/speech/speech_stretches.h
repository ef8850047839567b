#pragma once

#include "speech/speech_engine.h"

#include <QByteArray>
#include <QList>

namespace vt
{

// A stretch of a text that is spoken in one go: the text between two pauses
// or two voice marks (common/voice_marks.h), with the voice its mark names.
struct SpeechStretch {
    qsizetype begin = 0;     // bytes of the text
    qsizetype end = 0;       // one past its last byte; the marks are left out
    qint64 position = 0;     // code points of the text before it, marks counted
    QByteArray key;          // the voice's key; empty: the text's own voice
    qint64 silenceAfter = 0; // samples of silence after it
    // The engine ends it with its own pause: at a line's end, and at a pause
    // that does not stand for it; not where the voice changes inside a line.
    bool endPause = true;
};

// The text (UTF-8) cut at the pauses (in the order of their positions) and
// at the voice marks; a stretch in another voice ends at its line's end.
// `endPause`: the engine's pause at the end of the text.
QList<SpeechStretch> SpeechStretches(const QByteArray& text, const QList<SpeechPause>& pauses,
                                     bool endPause);

} // namespace vt
