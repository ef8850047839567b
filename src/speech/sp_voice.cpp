#include "speech/sp_voice.h"

#include "common/error.h"
#include "speech/audio_playback.h"
#include "speech/sp_file_stream.h"
#include "speech/speech_engine.h"

#include <QFile>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{

namespace
{

QByteArray readSpokenFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raise(err::FileNotFound,
              u"Cannot read the text file "_s + path + u": "_s + file.errorString());
    // Invalid UTF-8 becomes replacement characters rather than noise.
    return QString::fromUtf8(file.readAll()).toUtf8();
}

// The pauses asked for, and one after every line that holds words, in the
// order of their positions; pauses at one position make one.
QList<SpeechPause> pausesIn(const QByteArray& text, QList<SpeechPause> pauses,
                            qint64 lineEndSamples)
{
    if (lineEndSamples >= 0) {
        qint64 position = 0;
        bool words = false;
        for (const char c : text) {
            if ((static_cast<unsigned char>(c) & 0xC0) == 0x80)
                continue;
            ++position;
            if (c == '\n') {
                if (words)
                    pauses.append({position, lineEndSamples, true});
                words = false;
            } else if (c != ' ' && c != '\r' && c != '\t') {
                words = true;
            }
        }
    }
    std::stable_sort(pauses.begin(), pauses.end(), [](const SpeechPause& a, const SpeechPause& b) {
        return a.position < b.position;
    });
    QList<SpeechPause> merged;
    for (const SpeechPause& p : pauses) {
        if (!merged.isEmpty() && merged.last().position == p.position) {
            merged.last().samples += p.samples;
            merged.last().replacesEndPause |= p.replacesEndPause;
        } else {
            merged.append(p);
        }
    }
    return merged;
}

} // namespace

QString VoiceToken::GetDescription(int /*locale*/) const
{
    return description_;
}

const VoiceToken& VoiceTokens::Item(int index) const
{
    if (index < 0 || index >= tokens_.size())
        raise(err::SubscriptOutOfRange,
              u"There is no voice at position "_s + QString::number(index) + u" of the "_s +
                  QString::number(tokens_.size()) + u" installed voices."_s);
    return tokens_.at(index);
}

QList<VoiceLanguages> VoiceTokens::languages() const
{
    QList<VoiceLanguages> all;
    for (const VoiceToken& token : tokens_)
        all.append(token.languages());
    return all;
}

SpVoice::SpVoice()
{
    SpeechEngine::instance().load();
}

VoiceTokens SpVoice::GetVoices(const QString&, const QString&) const
{
    QList<VoiceToken> tokens;
    for (const EngineVoice& v : SpeechEngine::instance().voices())
        tokens.append(VoiceToken(v.name, v.identifier, v.engine, v.language, v.languages));
    return VoiceTokens(std::move(tokens));
}

void SpVoice::setVolume(int volume)
{
    if (volume < 0 || volume > 100)
        raise(err::InvalidCall, u"The volume must lie between 0 and 100."_s);
    volume_ = volume;
}

void SpVoice::setRate(int rate)
{
    if (rate < -10 || rate > 10)
        raise(err::InvalidCall, u"The speech rate must lie between -10 and 10."_s);
    rate_ = rate;
}

void SpVoice::Speak(const QString& text, int flags)
{
    if ((flags & ~SVSFIsFilename) != 0)
        raise(err::InvalidCall, u"Only the speak flags 0 and 4 are supported."_s);
    SpeechEngine& engine = SpeechEngine::instance();
    // Refuse before anything is opened or read.
    if (engine.speaking())
        raise(err::InvalidCall,
              u"The speech engine is already speaking. Try again when it has finished."_s);
    engine.load();

    SpeakRequest request;
    request.text = (flags & SVSFIsFilename) != 0 ? readSpokenFile(text) : text.toUtf8();
    request.voice = voice_ ? voice_->identifier() : QByteArray();
    request.engine = voice_ ? voice_->engine() : Engine::EspeakNg;
    request.onEvent = onEvent_;
    request.volume = volume_;
    request.rate = rate_;
    request.spoken = spoken_;
    request.pauses = pausesIn(request.text, pauses_, lineEndSamples_);
    for (auto v = stretchVoices_.cbegin(); v != stretchVoices_.cend(); ++v)
        request.stretchVoices.insert(v.key(), {v->identifier(), v->engine()});

    Yielder yielder(yield_);
    if (sink_) {
        engine.speak(request, *sink_, yielder);
    } else if (stream_) {
        if (!stream_->isOpen())
            raise(err::InvalidCall, u"The speech file stream is not open."_s);
        engine.speak(request, *stream_, yielder);
    } else {
        AudioPlayback playback(yielder);
        engine.speak(request, playback, yielder);
    }
}

} // namespace vt
