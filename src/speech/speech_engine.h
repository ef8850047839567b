#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <functional>

namespace vt
{

// The description an engine or voice that cannot be loaded fails with; the
// speech rendering recognises it by this text.
inline const QString kClassNotRegistered = QStringLiteral("Class not registered");
inline constexpr int kClassNotRegisteredNumber = -2147221164;

// The one audio format of the program: 22 050 Hz, 16-bit, mono.
inline constexpr int kSpeechSampleRate = 22050;

// One voice as the engine lists it.
struct EngineVoice {
    QString name;          // the description shown in the voice list
    QByteArray identifier; // what the engine loads it by
};

// How the engine is driven for one step of the speed slider (-10..10):
// 175 x 3^(rate/10) words a minute. The engine's slowest rate is 80, so the
// slowest steps add pauses between words instead; above 440 the engine
// switches to a time-stretcher that starts out slower, which the words per
// minute make up for. Every step is faster than the one below.
struct EngineSpeed {
    int wordsPerMinute;
    int wordGap; // extra pause between words, in the engine's units
};
EngineSpeed SpeedForRate(int rate);

// Receives the audio as the engine makes it.
class AudioSink
{
  public:
    virtual ~AudioSink() = default;
    // Raising an error stops the speaking; the error reaches the caller.
    virtual void write(const qint16* samples, int count) = 0;
    // After the last sample of a successful speak.
    virtual void finish() {}
};

// Lets the window handle its events about every 100 ms while speaking.
class Yielder
{
  public:
    explicit Yielder(std::function<void()> yield) : yield_(std::move(yield)) {}
    // Yields when the last yield is 100 ms ago or there was none yet.
    void maybe();
    void now();

  private:
    std::function<void()> yield_;
    QElapsedTimer since_;
};

// What one speak asks of the engine.
struct SpeakRequest {
    QByteArray text;  // UTF-8
    QByteArray voice; // an identifier; empty for the engine's default voice
    int volume = 100; // 0..100
    int rate = 0;     // -10..10
    // Told the share of the text spoken so far (0..1) as the engine reaches
    // each word: the engine's position events against the text's length.
    std::function<void(double)> spoken;
};

// libespeak-ng keeps all its state in globals: this one object owns it, so
// that voices and streams can stay cheap. It is loaded on first use and
// never spoken into twice at once.
class SpeechEngine
{
  public:
    static SpeechEngine& instance();

    // Loads the engine's data unless done; raises "Class not registered"
    // when it cannot be loaded. A failed load is tried again next time.
    void load();
    // The installed voices in the engine's order, the same on every call.
    // While the engine speaks, the list read last is answered.
    QList<EngineVoice> voices();
    bool speaking() const { return speaking_; }
    // Speaks the request into the sink and returns when all audio is made.
    // Raises "Class not registered" when the voice cannot be loaded, and an
    // error when the engine is already speaking or the sink fails.
    void speak(const SpeakRequest& request, AudioSink& sink, Yielder& yielder);

  private:
    SpeechEngine() = default;
    void applyVoice(const QByteArray& voice);

    bool loaded_ = false;
    bool speaking_ = false;
    QList<EngineVoice> voices_;
};

} // namespace vt
