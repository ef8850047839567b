#pragma once

#include "speech/speech_engine.h"

#include <QList>

namespace vt
{

// Flite's voices, built into the program, in their fixed order: slt, rms,
// awb, kal16, kal. Nothing is loaded to list them.
QList<EngineVoice> FliteVoices();

// The duration stretch a Flite voice speaks with at a step of the speed
// slider (-10..10): its own stretch at 0, and at every other step the change
// in length that espeak-ng's English voice makes at that step (measured), so
// that a text lasts about as long with either engine. Every step is faster
// than the one below.
double FliteStretch(const QByteArray& voice, int rate);

// Speaks the request with a Flite voice (the request's engine is Flite),
// one sentence or line at a time, into the sink at 22 050 Hz, telling
// `events` (when set) the same sentence and word events as espeak-ng. Text
// the voice cannot say (any script but Latin) is silence. Raises "Class not
// registered" for a voice that is not one of FliteVoices(), and the errors
// of the sink and of `events`.
void SpeakWithFlite(const SpeakRequest& request, const SpeechEventHandler& events, AudioSink& sink,
                    Yielder& yielder);

} // namespace vt
