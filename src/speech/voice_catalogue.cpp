#include "speech/voice_catalogue.h"

#include "common/error.h"
#include "common/settings.h"
#include "speech/sp_voice.h"

#include <QLocale>
#include <memory>

using namespace Qt::StringLiterals;

namespace vt
{

bool LoadVoiceList(VoiceListPort& list, SettingsStore& store)
{
    // No step reports on its own: any failure only turns the result false.
    bool ok = true;
    const auto attempt = [&ok](auto&& body) {
        try {
            body();
        } catch (const std::exception&) {
            ok = false;
        }
    };

    std::unique_ptr<SpVoice> voice;
    attempt([&] { voice = std::make_unique<SpVoice>(); });
    if (voice) {
        VoiceTokens tokens({});
        attempt([&] { list.clearVoices(); });
        attempt([&] {
            tokens = voice->GetVoices(QString(), QString());
            for (const VoiceToken& token : tokens)
                list.addVoice(token);
        });
        attempt([&] {
            if (!store.contains(key::Combo)) {
                if (const int index = FirstStartVoice(tokens); index >= 0)
                    list.setVoiceIndex(index);
                return;
            }
            if (LeadingNumber(store.text(key::Combo)) < list.voiceCount()) {
                const int index = RoundHalfEven(LeadingNumber(store.text(key::Combo)));
                if (index < -32768 || index > 32767)
                    raise(err::Overflow, u"Overflow"_s);
                if (index < -1) // -1 is "no selection"; nothing below it can be applied
                    raise(err::InvalidCall, u"Invalid property value"_s);
                list.setVoiceIndex(index);
            }
        });
    }
    return ok;
}

Expected<VoiceTokens> InstalledVoices()
{
    try {
        return SpVoice().GetVoices();
    } catch (const Error&) {
        return Problem{kNoVoicesMessage, err::AutomationBase};
    }
}

int FirstStartVoice(const VoiceTokens& voices)
{
    return VoiceForLocale(voices.languages(), QLocale::system().name());
}

} // namespace vt
