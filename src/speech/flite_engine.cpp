#include "speech/flite_engine.h"

#include "common/error.h"
#include "speech/flite_text.h"
#include "speech/resampler.h"

#include <QScopeGuard>
#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <exception>
#include <flite/flite.h>
#include <memory>

// The voices' own entry points; Flite's headers do not declare them.
extern "C" {
cst_voice* register_cmu_us_slt(const char* voxdir);
void unregister_cmu_us_slt(cst_voice* voice);
cst_voice* register_cmu_us_rms(const char* voxdir);
void unregister_cmu_us_rms(cst_voice* voice);
cst_voice* register_cmu_us_awb(const char* voxdir);
void unregister_cmu_us_awb(cst_voice* voice);
cst_voice* register_cmu_us_kal16(const char* voxdir);
void unregister_cmu_us_kal16(cst_voice* voice);
cst_voice* register_cmu_us_kal(const char* voxdir);
void unregister_cmu_us_kal(cst_voice* voice);
}

using namespace Qt::StringLiterals;

namespace vt
{

namespace
{

struct FliteVoice {
    const char* identifier;
    const char* name;
    const char* language;
    int sampleRate;
    double ownStretch; // the duration stretch the voice comes with
    // Brings the voice's pace at speed 0 to within a tenth of espeak-ng's
    // English (rms alone speaks slower than that); 1 keeps its own pace.
    double pace;
    cst_voice* (*registerVoice)(const char*);
    void (*unregisterVoice)(cst_voice*);
};

const std::array<FliteVoice, 5> kVoices{{
    {"cmu_us_slt", "English (United States) – slt, female (Flite)", "en-US", 16000, 1.0, 1.0,
     register_cmu_us_slt, unregister_cmu_us_slt},
    {"cmu_us_rms", "English (United States) – rms, male (Flite)", "en-US", 16000, 1.0, 0.9,
     register_cmu_us_rms, unregister_cmu_us_rms},
    {"cmu_us_awb", "English (Scotland) – awb, male (Flite)", "en-GB-scotland", 16000, 1.0, 1.0,
     register_cmu_us_awb, unregister_cmu_us_awb},
    {"cmu_us_kal16", "English (United States) – kal16, male (Flite)", "en-US", 16000, 1.1, 1.0,
     register_cmu_us_kal16, unregister_cmu_us_kal16},
    {"cmu_us_kal", "English (United States) – kal, male, 8 kHz (Flite)", "en-US", 8000, 1.1, 1.0,
     register_cmu_us_kal, unregister_cmu_us_kal},
}};

// How much longer a text lasts at each speed step (-10..10) than at 0, as
// measured on espeak-ng's English voice through this program (the opening of
// Moby-Dick, 3 000 characters: 168 s at 0). Flite's stretch lengthens its
// speech in proportion.
const std::array<double, 21> kLengthAtRate{{
    2.946, 2.657, 2.469, 2.138, 1.981, 1.775, 1.581, 1.408, 1.261, 1.123, 1.000,
    0.893, 0.793, 0.714, 0.632, 0.566, 0.498, 0.442, 0.398, 0.341, 0.304,
}};

// A pause for a stretch of text the voice cannot say, in seconds at stretch 1.
constexpr double kUnsayablePause = 0.4;

int voiceIndex(const QByteArray& identifier)
{
    for (size_t i = 0; i < kVoices.size(); ++i)
        if (identifier == kVoices[i].identifier)
            return int(i);
    return -1;
}

// Each voice is registered on its first use and freed when the program ends.
class Registry
{
  public:
    ~Registry()
    {
        for (size_t i = 0; i < kVoices.size(); ++i)
            if (voices_[i] != nullptr)
                kVoices[i].unregisterVoice(voices_[i]);
    }
    cst_voice* voice(int index)
    {
        if (!initialised_) {
            flite_init();
            initialised_ = true;
        }
        cst_voice*& voice = voices_[size_t(index)];
        if (voice == nullptr)
            voice = kVoices[size_t(index)].registerVoice(nullptr);
        if (voice == nullptr)
            raise(kClassNotRegisteredNumber, kClassNotRegistered);
        return voice;
    }

  private:
    bool initialised_ = false;
    std::array<cst_voice*, kVoices.size()> voices_{};
};

Registry& registry()
{
    static Registry r;
    return r;
}

// The speak in progress, for Flite's audio callback.
struct Speaking {
    Resampler& resampler;
    Yielder& yielder;
    qint64 streamed = 0; // samples of the current utterance
    std::exception_ptr error;
};

int onAudio(const cst_wave* wave, int start, int size, int /*last*/, cst_audio_streaming_info* info)
{
    auto* s = static_cast<Speaking*>(info->userdata);
    try {
        if (wave->sample_rate != s->resampler.inputRate())
            raise(kClassNotRegisteredNumber, kClassNotRegistered);
        s->resampler.write(wave->samples + start, size);
        s->streamed += size;
        s->yielder.maybe();
    } catch (...) {
        // Nothing may unwind through Flite's C code: stop it instead.
        s->error = std::current_exception();
        return CST_AUDIO_STREAM_STOP;
    }
    return CST_AUDIO_STREAM_CONT;
}

// Flite ends the whole process on an internal error unless a jump target is
// set; with one it jumps back here, and that utterance is given up (its
// memory with it). Nothing in this frame has a destructor to skip.
cst_utterance* synthesize(const char* text, cst_voice* voice)
{
    std::jmp_buf target;
    std::jmp_buf* const outer = cst_errjmp;
    cst_errjmp = &target;
    cst_utterance* volatile utterance = nullptr;
    if (setjmp(target) == 0)
        utterance = flite_synth_text(text, voice);
    cst_errjmp = outer;
    return utterance;
}

struct UtteranceDeleter {
    void operator()(cst_utterance* u) const { delete_utterance(u); }
};
using Utterance = std::unique_ptr<cst_utterance, UtteranceDeleter>;

class FliteSpeaker
{
  public:
    FliteSpeaker(const SpeakRequest& request, const SpeechEventHandler& events, int index,
                 AudioSink& sink, Yielder& yielder)
        : request_(request), events_(events), info_(kVoices[size_t(index)]),
          voice_(registry().voice(index)), stretch_(FliteStretch(request.voice, request.rate)),
          resampler_(info_.sampleRate, request.volume, sink), state_{resampler_, yielder, 0, {}}
    {
    }

    void speak()
    {
        feat_set_float(voice_->features, "duration_stretch", float(stretch_));
        cst_audio_streaming_info* info = new_audio_streaming_info();
        info->asc = onAudio;
        info->userdata = &state_;
        // The voice's features own the streaming info from here on.
        feat_set(voice_->features, "streaming_info", audio_streaming_info_val(info));
        const auto detach =
            qScopeGuard([this] { feat_remove(voice_->features, "streaming_info"); });

        const QByteArray ascii = FliteSayable(QString::fromUtf8(request_.text));
        for (qsizetype from = 0; from < ascii.size();) {
            const qsizetype to = FliteUtteranceEnd(ascii, from);
            utterance(ascii, from, to);
            from = to;
            state_.yielder.maybe();
        }
        resampler_.finish();
    }

  private:
    // Samples of 22 050 Hz speech made so far.
    qint64 samplesMade() const
    {
        return qint64(
            std::llround(double(resampler_.taken()) * kSpeechSampleRate / info_.sampleRate));
    }

    void report(SpeechEvent::Kind kind, qint64 position, qint64 length, qint64 sample)
    {
        sample = std::max(sample, lastSample_);
        lastSample_ = sample;
        if (events_)
            events_({kind, position, length, sample});
    }

    void pause()
    {
        resampler_.writeSilence(
            qint64(std::llround(kUnsayablePause * stretch_ * info_.sampleRate)));
    }

    void utterance(const QByteArray& ascii, qsizetype from, qsizetype to)
    {
        qsizetype first = from;
        while (first < to && (ascii[first] == ' ' || ascii[first] == '\t' || ascii[first] == '\n'))
            ++first;
        if (first == to)
            return;
        if (!HasSomethingToSay(ascii, first, to)) {
            pause();
            return;
        }
        QByteArray text = ascii.mid(first, to - first);
        text.replace(kUnsayable, ' ').replace('\n', ' ');
        const qint64 start = samplesMade();
        report(SpeechEvent::Kind::Sentence, first, 0, start);

        state_.streamed = 0;
        const Utterance u(synthesize(text.constData(), voice_));
        if (state_.error)
            std::rethrow_exception(std::exchange(state_.error, nullptr));
        if (!u) { // Flite gave up on it
            pause();
            return;
        }
        if (state_.streamed == 0) { // a voice that does not stream gives it whole
            if (const cst_wave* w = utt_wave(u.get()); w != nullptr && w->num_samples > 0) {
                if (w->sample_rate != info_.sampleRate)
                    raise(kClassNotRegisteredNumber, kClassNotRegistered);
                resampler_.write(w->samples, w->num_samples);
            }
        }
        if (events_)
            words(u.get(), text, first, start);
    }

    // A word event for the first word of every token, at the end of the
    // sound before it.
    void words(cst_utterance* u, const QByteArray& text, qsizetype offset, qint64 start)
    {
        qsizetype cursor = 0;
        for (const cst_item* token = relation_head(utt_relation(u, "Token")); token != nullptr;
             token = item_next(token)) {
            const QByteArray name(item_feat_string(token, "name"));
            const qsizetype at = name.isEmpty() ? -1 : text.indexOf(name, cursor);
            const cst_item* word = item_daughter(token);
            if (at < 0 || word == nullptr)
                continue;
            cursor = at + name.size();
            const double seconds =
                ffeature_float(word, "R:SylStructure.daughter1.daughter1.R:Segment.p.end");
            report(SpeechEvent::Kind::Word, offset + at, name.size(),
                   start + qint64(std::llround(seconds * kSpeechSampleRate)));
        }
    }

    const SpeakRequest& request_;
    const SpeechEventHandler& events_;
    const FliteVoice& info_;
    cst_voice* voice_;
    double stretch_;
    Resampler resampler_;
    Speaking state_;
    qint64 lastSample_ = 0;
};

} // namespace

QList<EngineVoice> FliteVoices()
{
    QList<EngineVoice> voices;
    for (const FliteVoice& v : kVoices)
        voices.append({QString::fromUtf8(v.name),
                       QByteArray(v.identifier),
                       Engine::Flite,
                       QString::fromLatin1(v.language),
                       {{QString::fromLatin1(v.language), 5}}});
    return voices;
}

double FliteStretch(const QByteArray& voice, int rate)
{
    const int index = voiceIndex(voice);
    const FliteVoice& v = kVoices[size_t(std::max(index, 0))];
    return v.ownStretch * v.pace * kLengthAtRate[size_t(std::clamp(rate, -10, 10) + 10)];
}

void SpeakWithFlite(const SpeakRequest& request, const SpeechEventHandler& events, AudioSink& sink,
                    Yielder& yielder)
{
    const int index = voiceIndex(request.voice);
    if (index < 0)
        raise(kClassNotRegisteredNumber, kClassNotRegistered);
    FliteSpeaker(request, events, index, sink, yielder).speak();
}

} // namespace vt
