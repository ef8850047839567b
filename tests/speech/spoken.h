#pragma once

#include "speech/sp_voice.h"
#include "wav_reading.h"

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

// The installed voice of that name.
std::optional<VoiceToken> voiceNamed(const QString& name);

} // namespace vt::test
