#include "speech/speech_rendering.h"

#include "common/error.h"
#include "common/error_report.h"
#include "common/window_ports.h"
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

void SaveToWAV(const QString& source, const QString& wavPath, WindowPort& window)
{
    SaveToWAV(source, wavPath, window, {});
}

void SaveToWAV(const QString& source, const QString& wavPath, WindowPort& window,
               const std::function<void(double)>& spoken, int voiceIndex,
               const SpeechEventHandler& events)
{
    StepGuard g(window, u"Speak.SaveToWAV"_s);
    LiveVoiceScope live;
    std::unique_ptr<SpVoice> voice;
    std::shared_ptr<SpFileStream> stream;
    QString speakFailure;
    bool failed = false;
    bool opened = false;
    bool closed = false;

    g.step(100, [&] {
        voice = std::make_unique<SpVoice>();
        voice->setYield([&window] { window.yieldOnce(); });
        voice->setSpoken(spoken);
        voice->setEventHandler(events);
        live.set(voice.get());
    });
    if (voice) { // [102]
        const auto chosen = [&] { return voiceIndex >= 0 ? voiceIndex : window.combo1Index(); };
        if (g.test(104, [&] { return chosen() != -1; }))
            g.step(106, [&] { voice->setVoice(voice->GetVoices().Item(chosen())); });
        g.step(108, [&] { voice->setVolume(window.slider1()); });
        g.step(110, [&] { voice->setRate(window.slider2()); });

        const auto speak = [&](const QString& what, int flags) {
            try {
                voice->Speak(what, flags);
            } catch (...) {
                failed = true;
                speakFailure = describe(std::current_exception());
            }
        };
        if (g.test(112, [&] { return wavPath.isEmpty(); })) {
            speak(source, SpVoice::SVSFDefault); // [136]
        } else {
            g.step(114, [&] { stream = std::make_shared<SpFileStream>(); });
            if (stream) { // [116]
                g.step(118, [&] { need(stream).setFormatType(SpFileStream::SAFT22kHz16BitMono); });
                opened = g.step(120, [&] {
                    need(stream).Open(wavPath, SpFileStream::SSFMCreateForWrite, false);
                });
                g.step(122, [&] { voice->setAudioOutputStream(stream); });
            }
            g.step(124, [&] { window.yieldOnce(); });
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
        try {
            if (stream)
                stream->Close();
        } catch (...) {
        }
        QFile::remove(wavPath);
    }
    if (failed && speakFailure == kClassNotRegistered) { // [140-142]
        g.step(144, [&] {
            window.showMessage(speakFailure +
                                   u"\n\nPlease try selecting another voice from the dropdown."_s,
                               Buttons::Ok, Icon::None, QString());
        });
    }
    // [146] Any other speaking failure is passed over here; the missing WAV
    // file tells the caller.
}

} // namespace vt
