#pragma once

#include "speech/speech_engine.h"

#include <QString>
#include <functional>

namespace vt
{

class SpVoice;
class WindowPort;

// Speaks with the voice, volume and speed of the window: a piece file into a
// WAV file, or (wavPath empty) the source text aloud. When it returns, the WAV
// file is complete and closed, or missing when speaking failed.
void SaveToWAV(const QString& source, const QString& wavPath, WindowPort& window);
// The same, telling `spoken` the share of the text spoken so far (0..1) and
// `events` every sentence and word the engine reaches. A voice position of 0
// or more speaks with that voice instead of the window's.
void SaveToWAV(const QString& source, const QString& wavPath, WindowPort& window,
               const std::function<void(double)>& spoken, int voice = -1,
               const SpeechEventHandler& events = {});

// The voice SaveToWAV is speaking with, or null when no call is running. The
// window's volume and speed handlers set its volume and rate; a change made
// while it speaks applies from the next piece spoken. Never keep the pointer:
// the voice ends with its call.
SpVoice* LiveVoice();

} // namespace vt
