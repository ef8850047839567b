#pragma once

#include "speech/voice_languages.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

namespace vt
{

class EspeakLibrary;

// The description an engine or voice that cannot be loaded fails with; the
// speech rendering recognises it by this text.
inline const QString kClassNotRegistered = QStringLiteral("Class not registered");
inline constexpr int kClassNotRegisteredNumber = -2147221164;

// The one audio format of the program: 22 050 Hz, 16-bit, mono.
inline constexpr int kSpeechSampleRate = 22050;

// The speech engines behind the voices: espeak-ng's voices come first in
// the voice list, Flite's after them.
enum class Engine { EspeakNg, Flite };
// "espeak-ng" or "Flite", as the voice list and the batch converter name them.
QString EngineName(Engine engine);

// One voice as the engine lists it.
struct EngineVoice {
    QString name;          // the description shown in the voice list
    QByteArray identifier; // what its engine loads it by
    Engine engine = Engine::EspeakNg;
    QString language;         // BCP 47 tag of what it speaks ("en-GB", "en-US"); may be empty
    VoiceLanguages languages; // every language it speaks, its own first, with priorities
};

// A point the speech has reached, reported while the engine speaks: the
// start of a sentence or of a word, in the text and in the audio. Every
// engine reports both, in the order of the text.
struct SpeechEvent {
    enum class Kind { Sentence, Word };
    Kind kind = Kind::Word;
    qint64 textPosition = 0; // characters (code points) of the spoken text before it
    qint64 length = 0;       // characters of the word; 0 for a sentence
    qint64 sample = 0;       // 22 050 Hz samples of speech before it
};
using SpeechEventHandler = std::function<void(const SpeechEvent&)>;

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

// Silence put into the speech before the character at `position` (code
// points of the text): a pause before a chapter or after a paragraph, made
// of real silence rather than punctuation.
struct SpeechPause {
    qint64 position = 0;
    qint64 samples = 0;
    // The silence stands for the engine's own pause at the end of what
    // comes before (a paragraph's), rather than adding to it.
    bool replacesEndPause = false;
};

// The voice a marked stretch of a text is spoken with (common/voice_marks.h).
struct StretchVoice {
    QByteArray voice; // an identifier; empty for espeak-ng's default voice
    Engine engine = Engine::EspeakNg;
};

// What one speak asks of the engine.
struct SpeakRequest {
    QByteArray text;  // UTF-8
    QByteArray voice; // an identifier; empty for espeak-ng's default voice
    Engine engine = Engine::EspeakNg;
    int volume = 100; // 0..100
    int rate = 0;     // -10..10
    // Told the share of the text spoken so far (0..1) as the engine reaches
    // each word: the engine's position events against the text's length.
    std::function<void(double)> spoken;
    // Told every sentence and word; may be empty; raising stops the speaking.
    SpeechEventHandler onEvent;
    // In the order of their positions. The text is spoken in stretches
    // between them, with the silence in between; positions and samples of
    // the events count the whole text and all its audio.
    QList<SpeechPause> pauses;
    // The engine ends the text with its own pause (espeak-ng).
    bool endPause = true;
    // The voices of the text's marked stretches, by their keys; a stretch
    // whose key is not here is spoken by the request's voice. The marks are
    // never spoken, and the sample stream, the events and the pauses go on
    // across a change of voice as in one voice.
    QHash<QByteArray, StretchVoice> stretchVoices;
};

// libespeak-ng and Flite keep all their state in globals: this one object
// owns both, so that voices and streams can stay cheap. espeak-ng is loaded
// on first use, and no engine is ever spoken into twice at once.
class SpeechEngine
{
  public:
    static SpeechEngine& instance();
    ~SpeechEngine();
    SpeechEngine(const SpeechEngine&) = delete;
    SpeechEngine& operator=(const SpeechEngine&) = delete;

    // Loads the engine's data unless done; raises "Class not registered"
    // when it cannot be loaded. A failed load is tried again next time.
    void load();
    // The installed voices: espeak-ng's in its order, then Flite's in their
    // fixed order; the same on every call. While the engine speaks, the list
    // read last is answered.
    QList<EngineVoice> voices();
    bool speaking() const { return speaking_; }
    // The next speak begins with espeak-ng loaded anew, as in a new process:
    // a book sounds the same whatever the process spoke before it (the
    // engine carries the state of its wave generator from text to text).
    void startAfresh();
    // Speaks the request into the sink and returns when all audio is made.
    // Raises "Class not registered" when the voice cannot be loaded, and an
    // error when the engine is already speaking or the sink fails.
    void speak(const SpeakRequest& request, AudioSink& sink, Yielder& yielder);

  private:
    SpeechEngine();
    void renewIfAsked();
    void applyVoice(const QByteArray& voice);
    void speakOnce(const SpeakRequest& request, const SpeechEventHandler& events, AudioSink& sink,
                   Yielder& yielder);
    void speakStretches(const SpeakRequest& request, const SpeechEventHandler& events,
                        AudioSink& sink, Yielder& yielder);
    void speakEspeak(const SpeakRequest& request, const SpeechEventHandler& events, AudioSink& sink,
                     Yielder& yielder);

    std::unique_ptr<EspeakLibrary> espeak_; // loaded and initialised
    bool afresh_ = false;
    bool speaking_ = false;
    QList<QByteArray> installed_; // the espeak-ng voices found installed during this speak
    QList<EngineVoice> voices_;
};

} // namespace vt
