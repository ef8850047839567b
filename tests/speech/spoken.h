#pragma once

#include "speech/sp_voice.h"
#include "wav_reading.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace vt::test
{

struct Spoken {
    WavFile wav;
    QString error;             // the description when Speak failed
    QList<SpeechEvent> events; // as the voice reported them
};

// Speaks text into a WAV file with a fresh voice.
Spoken speak(const QString& text, int rate = 0, int volume = 100,
             const std::optional<VoiceToken>& token = {}, std::function<void()> yield = {});

// Speaks text whose marked stretches go to other voices (by their keys),
// with silence before the given positions.
Spoken speakInStretches(const QString& text, const std::optional<VoiceToken>& token,
                        const QHash<QByteArray, VoiceToken>& stretches,
                        const QList<SpeechPause>& pauses = {});

// The installed voice of that name.
std::optional<VoiceToken> voiceNamed(const QString& name);

} // namespace vt::test
