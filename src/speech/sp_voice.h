#pragma once

#include "speech/speech_engine.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace vt
{

class SpFileStream;

// One installed voice (the engine's voice token).
class VoiceToken
{
  public:
    VoiceToken(QString description, QByteArray identifier, Engine engine = Engine::EspeakNg,
               QString language = {}, VoiceLanguages languages = {})
        : description_(std::move(description)), identifier_(std::move(identifier)), engine_(engine),
          language_(std::move(language)), languages_(std::move(languages))
    {
    }
    // The voice's display name; the locale has no meaning here.
    QString GetDescription(int locale = 0) const;
    const QByteArray& identifier() const { return identifier_; }
    // The engine that speaks it.
    Engine engine() const { return engine_; }
    // What it speaks, as a BCP 47 tag ("en-GB", "en-US"); may be empty.
    const QString& language() const { return language_; }
    // Every language it speaks, its own first, with how well (for matching a
    // book's language).
    const VoiceLanguages& languages() const { return languages_; }

  private:
    QString description_;
    QByteArray identifier_;
    Engine engine_;
    QString language_;
    VoiceLanguages languages_;
};

// The installed voices in the engine's order.
class VoiceTokens
{
  public:
    explicit VoiceTokens(QList<VoiceToken> tokens) : tokens_(std::move(tokens)) {}
    int Count() const { return int(tokens_.size()); }
    // Raises the subscript error for a position the collection does not hold.
    const VoiceToken& Item(int index) const;
    auto begin() const { return tokens_.begin(); }
    // The languages of every voice, in the same order.
    QList<VoiceLanguages> languages() const;
    auto end() const { return tokens_.end(); }

  private:
    QList<VoiceToken> tokens_;
};

// A voice of the speech engine (libespeak-ng or Flite, whichever speaks the
// chosen voice). Voice objects are cheap: the engines themselves are one
// shared object behind them, loaded on first use.
//
// Volume and rate are taken when Speak starts; a change made while it speaks
// (from a window handler run during one of its yields) applies to the next
// Speak.
class SpVoice
{
  public:
    static constexpr int SVSFDefault = 0;
    static constexpr int SVSFIsFilename = 4;

    // Raises "Class not registered" when the engine cannot be loaded.
    SpVoice();

    // Every installed voice, in the same order on every call; no attribute
    // filtering is done.
    VoiceTokens GetVoices(const QString& requiredAttributes = {},
                          const QString& optionalAttributes = {}) const;
    void setVoice(const VoiceToken& token) { voice_ = token; }
    const std::optional<VoiceToken>& voice() const { return voice_; }
    // 0..100; raises an error outside.
    void setVolume(int volume);
    int volume() const { return volume_; }
    // -10..10; raises an error outside.
    void setRate(int rate);
    int rate() const { return rate_; }
    // Speaking goes into the stream; null means the default audio output.
    void setAudioOutputStream(std::shared_ptr<SpFileStream> stream) { stream_ = std::move(stream); }
    const std::shared_ptr<SpFileStream>& audioOutputStream() const { return stream_; }
    // Speaking goes to this sink instead (an encoder taking the samples as
    // they are made); null means none. Not owned.
    void setAudioSink(AudioSink* sink) { sink_ = sink; }
    // Called about every 100 ms while Speak works, so the window stays alive.
    void setYield(std::function<void()> yield) { yield_ = std::move(yield); }
    // Told the share of the text spoken so far (0..1) while Speak works.
    void setSpoken(std::function<void(double)> spoken) { spoken_ = std::move(spoken); }
    // Called at the start of every sentence and word while Speak works,
    // whichever engine speaks; an error it raises stops the speaking.
    void setEventHandler(SpeechEventHandler handler) { onEvent_ = std::move(handler); }
    // Silence put into what Speak says: before the given positions of the
    // text, and (lineEndSamples >= 0) after each line that holds words.
    void setPauses(QList<SpeechPause> pauses, qint64 lineEndSamples = -1)
    {
        pauses_ = std::move(pauses);
        lineEndSamples_ = lineEndSamples;
    }

    // The voices of the text's marked stretches, by their keys
    // (common/voice_marks.h); a stretch whose key is not here is spoken by
    // this voice.
    void setStretchVoices(QHash<QByteArray, VoiceToken> voices)
    {
        stretchVoices_ = std::move(voices);
    }

    // Speaks text (flags 0) or the content of the UTF-8 text file it names
    // (flags 4) and returns when all audio is produced, or played when
    // speaking aloud. Raises an error with a description when it fails: "Class
    // not registered" for a voice that cannot be loaded; another when no audio
    // output can be opened, the stream is not open, the file cannot be read,
    // the WAV file would pass 4 GiB, or the engine is already speaking.
    void Speak(const QString& text, int flags = SVSFDefault);

  private:
    std::optional<VoiceToken> voice_;
    int volume_ = 100;
    int rate_ = 0;
    std::shared_ptr<SpFileStream> stream_;
    AudioSink* sink_ = nullptr;
    std::function<void()> yield_;
    std::function<void(double)> spoken_;
    SpeechEventHandler onEvent_;
    QList<SpeechPause> pauses_;
    qint64 lineEndSamples_ = -1;
    QHash<QByteArray, VoiceToken> stretchVoices_;
};

} // namespace vt
