#include "spoken.h"

#include "common/error.h"
#include "speech/sp_file_stream.h"

#include <QTemporaryDir>

namespace vt::test
{

namespace
{

Spoken speakWith(SpVoice& voice, const QString& text)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.wav"));
    Spoken spoken;
    voice.setEventHandler([&spoken](const SpeechEvent& e) { spoken.events.append(e); });
    auto stream = std::make_shared<SpFileStream>();
    stream->setFormatType(22);
    stream->Open(path, 3, false);
    voice.setAudioOutputStream(stream);
    try {
        voice.Speak(text, 0);
    } catch (const Error& e) {
        spoken.error = e.description();
    }
    stream->Close();
    spoken.wav = readWav(path);
    return spoken;
}

} // namespace

Spoken speakInStretches(const QString& text, const std::optional<VoiceToken>& token,
                        const QHash<QByteArray, VoiceToken>& stretches,
                        const QList<SpeechPause>& pauses)
{
    SpVoice voice;
    if (token)
        voice.setVoice(*token);
    voice.setStretchVoices(stretches);
    voice.setPauses(pauses);
    return speakWith(voice, text);
}

Spoken speak(const QString& text, int rate, int volume, const std::optional<VoiceToken>& token,
             std::function<void()> yield)
{
    SpVoice voice;
    voice.setRate(rate);
    voice.setVolume(volume);
    if (token)
        voice.setVoice(*token);
    voice.setYield(std::move(yield));
    return speakWith(voice, text);
}

std::optional<VoiceToken> voiceNamed(const QString& name)
{
    for (const VoiceToken& token : SpVoice().GetVoices())
        if (token.GetDescription() == name)
            return token;
    return std::nullopt;
}

} // namespace vt::test
