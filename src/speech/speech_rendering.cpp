#include "speech/speech_rendering.h"

#include "common/error.h"
#include "common/step_guard.h"
#include "speech/sp_file_stream.h"
#include "speech/sp_voice.h"
#include "speech/speech_engine.h"

#include <QFile>
#include <memory>

using namespace Qt::StringLiterals;

namespace vt
{

namespace
{

SpVoice* liveVoice = nullptr;

// Makes a voice the live one for the length of one call; a call made from a
// handler during a yield puts the outer call's voice back when it ends.
class LiveVoiceScope
{
  public:
    LiveVoiceScope() : previous_(liveVoice) {}
    ~LiveVoiceScope() { liveVoice = previous_; }
    LiveVoiceScope(const LiveVoiceScope&) = delete;
    LiveVoiceScope& operator=(const LiveVoiceScope&) = delete;
    void set(SpVoice* voice) { liveVoice = voice; }

  private:
    SpVoice* previous_;
};

// The stream of a step, or the error a missing object gives.
SpFileStream& need(const std::shared_ptr<SpFileStream>& stream)
{
    if (!stream)
        raise(err::ObjectRequired, u"Object required"_s);
    return *stream;
}

} // namespace

SpVoice* LiveVoice()
{
    return liveVoice;
}

void SaveToWAV(const QString& source, const QString& wavPath, const SpeakSettings& settings,
               const SpeechCalls& calls)
{
    StepGuard g(calls.report, u"Speak.SaveToWAV"_s);
    LiveVoiceScope live;
    std::unique_ptr<SpVoice> voice;
    std::shared_ptr<SpFileStream> stream;
    QString speakFailure;
    bool failed = false;
    bool refused = false; // the engine was speaking already
    bool opened = false;
    bool closed = false;
    std::exception_ptr stopped;

    g.step(100, [&] {
        voice = std::make_unique<SpVoice>();
        voice->setYield(calls.yield);
        voice->setSpoken(calls.spoken);
        voice->setEventHandler(calls.events);
        live.set(voice.get());
    });
    if (voice) { // [102]
        if (g.test(104, [&] { return settings.voice.has_value(); }))
            g.step(106, [&] { voice->setVoice(*settings.voice); });
        g.step(108, [&] { voice->setVolume(settings.volume); });
        g.step(110, [&] { voice->setRate(settings.rate); });
        voice->setPauses(settings.pauses, settings.lineEndSamples);
        voice->setStretchVoices(settings.stretchVoices);

        const auto speak = [&](const QString& what, int flags) {
            try {
                voice->Speak(what, flags);
            } catch (const RunStopped&) {
                failed = true;
                stopped = std::current_exception();
            } catch (const std::exception& e) {
                // Reported below when the voice cannot be loaded; any other
                // failure leaves no WAV file, which the run reports.
                failed = true;
                speakFailure = describe(std::current_exception());
                const auto* error = dynamic_cast<const Error*>(&e);
                refused = error && error->number() == err::InvalidCall;
            }
        };
        if (g.test(112, [&] { return wavPath.isEmpty(); })) {
            speak(source, SpVoice::SVSFDefault); // [136]
            // Nothing was heard: the listener is told why (no audio output,
            // most often). A voice that cannot be loaded has its own message;
            // a call made while the engine speaks is refused quietly.
            if (failed && !stopped && !refused && speakFailure != kClassNotRegistered)
                g.step(136, [&] { raise(err::PathFileAccess, speakFailure); });
        } else {
            g.step(114, [&] { stream = std::make_shared<SpFileStream>(); });
            if (stream) { // [116]
                g.step(118, [&] { need(stream).setFormatType(SpFileStream::SAFT22kHz16BitMono); });
                opened = g.step(120, [&] {
                    need(stream).Open(wavPath, SpFileStream::SSFMCreateForWrite, false);
                });
                g.step(122, [&] { voice->setAudioOutputStream(stream); });
            }
            g.step(124, [&] {
                try {
                    if (calls.yield)
                        calls.yield();
                } catch (const RunStopped&) {
                    failed = true; // the stream is let go below
                    stopped = std::current_exception();
                }
            });
            if (!stopped)
                speak(source, SpVoice::SVSFIsFilename); // [126]
            if (!failed) {
                closed = g.step(128, [&] { need(stream).Close(); });
                g.step(130, [&] { stream.reset(); });
                g.step(132, [&] { voice->setAudioOutputStream(nullptr); });
            }
        }
        if (!failed)
            g.step(138, [&] { voice.reset(); });
    }

    // A piece that could not be spoken or finished completely leaves no WAV
    // file: the run then knows the piece is missing instead of encoding a
    // truncated or broken one. Only a file this call created is removed.
    if (opened && !closed) {
        if (stream)
            stream->Abandon();
        QFile::remove(wavPath);
    }
    if (stopped)
        std::rethrow_exception(stopped);
    if (failed && speakFailure == kClassNotRegistered && calls.voiceUnavailable) // [140-142]
        g.step(144, [&] { calls.voiceUnavailable(speakFailure); });
    // [146] Any other speaking failure is passed over here; the missing WAV
    // file tells the caller.
}

bool SpeakToSink(const QString& source, AudioSink& sink, const SpeakSettings& settings,
                 const SpeechCalls& calls)
{
    StepGuard g(calls.report, u"Speak.SpeakToSink"_s);
    LiveVoiceScope live;
    std::unique_ptr<SpVoice> voice;
    g.step(100, [&] {
        voice = std::make_unique<SpVoice>();
        voice->setYield(calls.yield);
        voice->setSpoken(calls.spoken);
        voice->setEventHandler(calls.events);
        if (settings.voice)
            voice->setVoice(*settings.voice);
        voice->setVolume(settings.volume);
        voice->setRate(settings.rate);
        voice->setPauses(settings.pauses, settings.lineEndSamples);
        voice->setStretchVoices(settings.stretchVoices);
        voice->setAudioSink(&sink);
        live.set(voice.get());
    });
    if (!voice)
        return false;
    try {
        voice->Speak(source, SpVoice::SVSFIsFilename);
        return true;
    } catch (const RunStopped&) {
        throw;
    } catch (const std::exception&) {
        // Any other failure is the piece's: the run names it missing.
        if (describe(std::current_exception()) == kClassNotRegistered && calls.voiceUnavailable)
            calls.voiceUnavailable(kClassNotRegistered);
        return false;
    }
}

} // namespace vt
