#include "speech/speech_engine.h"

#include "common/error.h"
#include "speech/espeak_library.h"
#include "common/voice_marks.h"
#include "speech/flite_engine.h"
#include "speech/speech_stretches.h"

#include <QScopeGuard>
#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <exception>

using namespace Qt::StringLiterals;

namespace vt
{

namespace
{

static_assert(sizeof(short) == sizeof(qint16));

constexpr int kMinimumWordsPerMinute = 80;
constexpr int kBufferMilliseconds = 100;
// Lines shorter than this end a clause: every line end of a piece (a heading,
// a contents entry, a paragraph) is heard as a pause. Longer than any line.
constexpr int kClauseLineLength = 1 << 20;
// The engine's own default voice, used when no voice is chosen.
constexpr const char* kDefaultVoice = "en";
// A voice that reads pinyin hears each syllable as a word: at the words a
// minute of the other voices it would say Mandarin at two thirds of the pace
// of a person reading aloud (4 to 5 syllables a second).
constexpr double kPinyinPace = 1.3;

// What the engine allocates while it sets itself up, lists its voices and
// speaks, it keeps in globals that its termination does not free: a few
// kilobytes left behind each time it is unloaded (once a book), which the
// leak checker of the sanitized build is told are the engine's. Our own
// code, called back from inside the engine, is checked as usual.
#ifdef __SANITIZE_ADDRESS__
using EngineOwnMemory = __lsan::ScopedDisabler;
struct OurOwnMemory {
    OurOwnMemory() { __lsan_enable(); }
    ~OurOwnMemory() { __lsan_disable(); }
    OurOwnMemory(const OurOwnMemory&) = delete;
    OurOwnMemory& operator=(const OurOwnMemory&) = delete;
};
#else
struct EngineOwnMemory {
    EngineOwnMemory() {}
};
struct OurOwnMemory {
    OurOwnMemory() {}
};
#endif

// The speak in progress, for the engine's callback.
struct Speaking {
    AudioSink* sink;
    Yielder* yielder;
    const SpeechEventHandler* onEvent;
    std::exception_ptr error;
};
Speaking* current = nullptr;

// The engines count positions in characters (code points).
qint64 characterCount(const QByteArray& utf8)
{
    return std::count_if(utf8.begin(), utf8.end(),
                         [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

[[noreturn]] void classNotRegistered()
{
    raise(kClassNotRegisteredNumber, kClassNotRegistered);
}

QString statusText(const EspeakLibrary& espeak, espeak_ng_STATUS status)
{
    char text[512] = {};
    espeak.GetStatusCodeMessage(status, text, sizeof text);
    return QString::fromUtf8(text);
}

int onSynth(short* samples, int count, espeak_EVENT* events)
{
    const OurOwnMemory ours; // the engine calls in from speakEspeak only
    Speaking* s = current;
    if (s == nullptr)
        return 1;
    try {
        for (espeak_EVENT* e = events; e != nullptr && e->type != espeakEVENT_LIST_TERMINATED;
             ++e) {
            if (e->type == espeakEVENT_SAMPLERATE && e->id.number != kSpeechSampleRate)
                raise(kClassNotRegisteredNumber, kClassNotRegistered);
            // The engine counts characters from 1, and ends some sentences
            // with a word of no characters.
            const bool word = e->type == espeakEVENT_WORD && e->length > 0;
            if ((word || e->type == espeakEVENT_SENTENCE) && *s->onEvent) {
                (*s->onEvent)({word ? SpeechEvent::Kind::Word : SpeechEvent::Kind::Sentence,
                               std::max(0, e->text_position - 1), word ? e->length : 0, e->sample});
            }
        }
        if (samples != nullptr && count > 0)
            s->sink->write(samples, count);
        s->yielder->maybe();
    } catch (...) {
        // Nothing may unwind through the engine's C code: stop it instead.
        s->error = std::current_exception();
        return 1;
    }
    return 0;
}

// The engine makes an audio object of its own when it sets up its output,
// and probes the sound server for it. That object is never used (all audio
// comes back through the callback), so the probe is pointed at nothing: it
// must not start a sound server, nor leave a runtime folder in the
// temporary folder when the session has no runtime folder of its own.
espeak_ng_STATUS initializeOutput(const EspeakLibrary& espeak)
{
    const bool had = qEnvironmentVariableIsSet("PULSE_SERVER");
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/vellumtone");
    const espeak_ng_STATUS status =
        espeak.InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, kBufferMilliseconds, nullptr);
    if (had)
        qputenv("PULSE_SERVER", server);
    else
        qunsetenv("PULSE_SERVER");
    return status;
}

// The engine names languages in lower case ("en-gb-scotland"); the voice
// list gives them as BCP 47 writes them ("en-GB-scotland").
QString languageTag(const char* languages)
{
    // A list of a priority byte and a name, ending with an empty name.
    if (languages == nullptr || languages[0] == 0)
        return {};
    QStringList parts = QString::fromUtf8(languages + 1).toLower().split(u'-');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        if (parts[i].size() == 2 && parts[i][0].isLetter())
            parts[i] = parts[i].toUpper();
        else if (parts[i].size() == 4 && parts[i][0].isLetter())
            parts[i][0] = parts[i][0].toUpper();
    }
    return parts.join(u'-');
}

// espeak-ng's languages of a voice: pairs of a priority byte and a
// language name, ended by a zero byte.
VoiceLanguages languagesOf(const espeak_VOICE& voice)
{
    VoiceLanguages languages;
    for (const char* p = voice.languages; p != nullptr && *p != 0;) {
        const int priority = static_cast<unsigned char>(*p++);
        const QByteArray tag(p);
        p += tag.size() + 1;
        languages.append({QString::fromUtf8(tag), priority});
    }
    return languages;
}

// Passes the audio on, counting it; silence is written as zero samples.
class CountingSink : public AudioSink
{
  public:
    explicit CountingSink(AudioSink& sink) : sink_(sink) {}
    void write(const qint16* data, int count) override
    {
        sink_.write(data, count);
        samples += count;
    }
    void silence(qint64 count)
    {
        static const std::array<qint16, 4096> zeros{};
        for (qint64 left = count; left > 0;) {
            const int n = int(std::min<qint64>(left, qint64(zeros.size())));
            write(zeros.data(), n);
            left -= n;
        }
    }
    qint64 samples = 0;

  private:
    AudioSink& sink_;
};

} // namespace

QString EngineName(Engine engine)
{
    return engine == Engine::Flite ? u"Flite"_s : u"espeak-ng"_s;
}

EngineSpeed SpeedForRate(int rate)
{
    rate = std::clamp(rate, -10, 10);
    const double target = 175.0 * std::pow(3.0, rate / 10.0);
    if (target < kMinimumWordsPerMinute)
        return {kMinimumWordsPerMinute,
                int(std::lround((kMinimumWordsPerMinute / target - 1.0) * 18.0))};
    if (target <= 440.0)
        return {int(std::lround(target)), 0};
    // Past 450 the stretcher takes over at about the speed of 420.
    return {int(std::lround(target * 450.0 / 420.0)), 0};
}

void Yielder::maybe()
{
    if (!since_.isValid() || since_.elapsed() >= 100)
        now();
}

void Yielder::now()
{
    since_.start();
    if (yield_)
        yield_();
}

SpeechEngine& SpeechEngine::instance()
{
    static SpeechEngine engine;
    return engine;
}

SpeechEngine::SpeechEngine() = default;
SpeechEngine::~SpeechEngine() = default;

void SpeechEngine::load()
{
    if (espeak_)
        return;
    std::unique_ptr<EspeakLibrary> espeak = EspeakLibrary::open();
    if (!espeak)
        classNotRegistered();
    const EngineOwnMemory own;
    espeak->InitializePath(nullptr); // ESPEAK_DATA_PATH, else the installed data
    espeak_ng_ERROR_CONTEXT context = nullptr;
    const espeak_ng_STATUS status = espeak->Initialize(&context);
    if (context != nullptr)
        espeak->ClearErrorContext(&context);
    if (status != ENS_OK)
        classNotRegistered();
    espeak->initialised = true;
    if (initializeOutput(*espeak) != ENS_OK)
        raise(err::OutOfMemory, u"The speech engine could not set up its output."_s);
    espeak->SetSynthCallback(onSynth);
    espeak_ = std::move(espeak);
    voices(); // so that a list can be answered while the engine speaks
}

// A book is spoken as a new process speaks it: by an engine loaded afresh,
// whose noise (the C library's random numbers) starts anew too.
void SpeechEngine::startAfresh()
{
    afresh_ = true;
}

void SpeechEngine::renewIfAsked()
{
    if (!afresh_ || speaking_)
        return;
    afresh_ = false;
    espeak_.reset();
    std::srand(1);
    load();
}

QList<EngineVoice> SpeechEngine::voices()
{
    load();
    if (speaking_) // the engine's list is rebuilt on reading: not while it speaks
        return voices_;
    const espeak_VOICE** list = [this] {
        const EngineOwnMemory own;
        return espeak_->ListVoices(nullptr);
    }();
    if (list == nullptr)
        classNotRegistered();
    QList<EngineVoice> fresh;
    for (; *list != nullptr; ++list)
        fresh.append({QString::fromUtf8((*list)->name), QByteArray((*list)->identifier),
                      Engine::EspeakNg, languageTag((*list)->languages), languagesOf(**list)});
    // Flite's voices after all of espeak-ng's, so that a stored position
    // keeps naming the same espeak-ng voice.
    fresh.append(FliteVoices());
    voices_ = fresh;
    return voices_;
}

void SpeechEngine::applyVoice(const QByteArray& voice)
{
    // The engine half-loads a voice whose file has gone and then crashes on
    // speaking: only a voice it lists now is loaded.
    // A text spoken in stretches asks for its voices again and again: each is
    // looked for once a speak.
    if (!voice.isEmpty() && !installed_.contains(voice)) {
        const QList<EngineVoice> installed = voices();
        if (std::none_of(installed.begin(), installed.end(), [&voice](const EngineVoice& v) {
                return v.engine == Engine::EspeakNg && v.identifier == voice;
            }))
            classNotRegistered();
        installed_.append(voice);
    }
    const QByteArray name = voice.isEmpty() ? QByteArray(kDefaultVoice) : voice;
    if (espeak_->SetVoiceByName(name.constData()) != ENS_OK)
        classNotRegistered();
    if (espeak_->GetSampleRate() != kSpeechSampleRate)
        classNotRegistered();
}

void SpeechEngine::speak(const SpeakRequest& request, AudioSink& sink, Yielder& yielder)
{
    if (speaking_)
        raise(err::InvalidCall,
              u"The speech engine is already speaking. Try again when it has finished."_s);
    renewIfAsked();
    load();
    if (request.volume < 0 || request.volume > 100)
        raise(err::InvalidCall, u"The volume must lie between 0 and 100."_s);
    if (request.rate < -10 || request.rate > 10)
        raise(err::InvalidCall, u"The speech rate must lie between -10 and 10."_s);

    // Both engines report sentences and words; the share spoken follows them,
    // in steps of a thousandth so that a long text does not call on every word.
    SpeechEventHandler events;
    const qint64 characters = characterCount(request.text);
    int thousandths = 0;
    if (request.onEvent || request.spoken)
        events = [&](const SpeechEvent& e) {
            if (request.onEvent)
                request.onEvent(e);
            if (!request.spoken || characters <= 0)
                return;
            const qint64 done = std::min(e.textPosition + e.length, characters);
            const int share = int(done * 1000 / characters);
            if (share > thousandths) {
                thousandths = share;
                request.spoken(share / 1000.0);
            }
        };
    installed_.clear();
    if (request.pauses.isEmpty() && !request.text.contains("\xE2\x9F\xA6")) // no mark
        speakOnce(request, events, sink, yielder);
    else
        speakStretches(request, events, sink, yielder);
    sink.finish();
}

void SpeechEngine::speakOnce(const SpeakRequest& request, const SpeechEventHandler& events,
                             AudioSink& sink, Yielder& yielder)
{
    if (request.engine == Engine::Flite) {
        speaking_ = true;
        const auto done = qScopeGuard([this] { speaking_ = false; });
        SpeakWithFlite(request, events, sink, yielder);
    } else {
        speakEspeak(request, events, sink, yielder);
    }
}

// Each stretch between two pauses or voice marks is spoken on its own, in
// its voice, the silence written after it; the events are moved to the
// whole text's positions and audio.
void SpeechEngine::speakStretches(const SpeakRequest& request, const SpeechEventHandler& events,
                                  AudioSink& sink, Yielder& yielder)
{
    CountingSink counting(sink);
    SpeakRequest stretch = request;
    stretch.pauses.clear();
    qint64 characters = 0; // before the stretch
    qint64 samples = 0;
    SpeechEventHandler moved;
    if (events)
        moved = [&](const SpeechEvent& e) {
            events({e.kind, e.textPosition + characters, e.length, e.sample + samples});
        };
    for (const SpeechStretch& s : SpeechStretches(request.text, request.pauses, request.endPause)) {
        stretch.text = request.text.mid(s.begin, s.end - s.begin);
        stretch.endPause = s.endPause;
        const StretchVoice voice =
            request.stretchVoices.value(s.key, {request.voice, request.engine});
        stretch.voice = voice.voice;
        stretch.engine = voice.engine;
        if (!stretch.text.trimmed().isEmpty()) {
            characters = s.position;
            samples = counting.samples;
            speakOnce(stretch, moved, counting, yielder);
        }
        counting.silence(s.silenceAfter);
        yielder.maybe();
    }
}

void SpeechEngine::speakEspeak(const SpeakRequest& request, const SpeechEventHandler& events,
                               AudioSink& sink, Yielder& yielder)
{
    const EngineOwnMemory own;
    applyVoice(request.voice);
    const EngineSpeed speed = SpeedForRate(request.rate);
    const double pace = request.voice.endsWith("-Latn-pinyin") ? kPinyinPace : 1.0;
    espeak_->SetParameter(espeakRATE, int(std::lround(speed.wordsPerMinute * pace)), 0);
    espeak_->SetParameter(espeakWORDGAP, speed.wordGap, 0);
    espeak_->SetParameter(espeakVOLUME, request.volume, 0);
    espeak_->SetParameter(espeakLINELENGTH, kClauseLineLength, 0);

    QByteArray text = request.text;
    text.replace('\0', ' '); // the engine stops at the first NUL

    Speaking state{&sink, &yielder, &events, {}};
    struct Guard {
        SpeechEngine& engine;
        ~Guard()
        {
            engine.speaking_ = false;
            current = nullptr;
        }
    } guard{*this};
    speaking_ = true;
    current = &state;
    const espeak_ng_STATUS status = espeak_->Synthesize(
        text.constData(), size_t(text.size()) + 1, 0, POS_CHARACTER, 0,
        espeakCHARS_UTF8 | (request.endPause ? espeakENDPAUSE : 0), nullptr, nullptr);
    current = nullptr;
    if (state.error)
        std::rethrow_exception(state.error);
    switch (status) {
    case ENS_OK:
        break;
    case ENS_NOT_INITIALIZED:
    case ENS_VOICE_NOT_FOUND:
    case ENS_MBROLA_NOT_FOUND:
    case ENS_MBROLA_VOICE_NOT_FOUND:
        classNotRegistered();
    default:
        raise(err::InvalidCall, u"The speech engine failed: "_s + statusText(*espeak_, status));
    }
}

} // namespace vt
