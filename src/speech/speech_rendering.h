#pragma once

#include "common/files.h"
#include "common/step_guard.h"
#include "speech/sp_voice.h"
#include "speech/speech_engine.h"

#include <QHash>
#include <QString>
#include <functional>
#include <optional>

namespace vt
{

// The voice, volume and speed a text is spoken with.
struct SpeakSettings {
    std::optional<VoiceToken> voice; // none: the engine's default voice
    int volume = 100;                // 0..100
    int rate = 0;                    // -10..10
    // Silence before the given positions of the text (a chapter's first
    // word), and after every line when lineEndSamples >= 0.
    QList<SpeechPause> pauses;
    qint64 lineEndSamples = -1;
    // The voices of the text's marked stretches, by their keys
    // (common/voice_marks.h).
    QHash<QByteArray, VoiceToken> stretchVoices;
};

// Whom a speaking call tells what.
struct SpeechCalls {
    StepReport report; // a failing step
    Yield yield;       // about every 100 ms while the engine speaks
    // The share of the text spoken so far (0..1); may be empty.
    std::function<void(double)> spoken;
    // Every sentence and word the engine reaches; may be empty.
    SpeechEventHandler events;
    // The voice could not be loaded ("Class not registered"); may be empty.
    std::function<void(const QString& description)> voiceUnavailable;
};

// Speaks a piece file into a WAV file, or (wavPath empty) the source text
// aloud. When it returns, the WAV file is complete and closed, or missing
// when speaking failed.
void SaveToWAV(const QString& source, const QString& wavPath, const SpeakSettings& settings,
               const SpeechCalls& calls);

// Speaks a piece file into a sink (an encoder) instead of a file. False when
// it could not be spoken completely: the sink may have part of it. A stop
// raised by the yield goes through.
bool SpeakToSink(const QString& source, AudioSink& sink, const SpeakSettings& settings,
                 const SpeechCalls& calls);

// The voice SaveToWAV is speaking with, or null when no call is running. The
// window's volume and speed handlers set its volume and rate; a change made
// while it speaks applies from the next piece spoken. Never keep the pointer:
// the voice ends with its call.
SpVoice* LiveVoice();

} // namespace vt
