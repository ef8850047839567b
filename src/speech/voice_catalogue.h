#pragma once

#include "common/expected.h"
#include "speech/sp_voice.h"

#include <QString>

namespace vt
{

class SettingsStore;

// The voice list of the window (Combo1) as the voice catalogue fills it.
class VoiceListPort
{
  public:
    virtual ~VoiceListPort() = default;
    virtual void clearVoices() = 0;
    virtual void addVoice(const VoiceToken& voice) = 0;
    virtual int voiceCount() const = 0;
    // Fires the list's own selection handling, as a user's choice would.
    virtual void setVoiceIndex(int index) = 0;
};

// Shown when the speech engine cannot be used.
inline const QString kNoVoicesMessage = QStringLiteral(
    "No voices found within the espeak-ng speech engine installed on this computer.");

// Fills the list with the engine's voices in the engine's order and restores
// the stored choice ("Combo"); with none stored (a first start), selects
// FirstStartVoice. False when the engine cannot be used or the stored
// choice cannot be applied: the caller then shows kNoVoicesMessage.
bool LoadVoiceList(VoiceListPort& list, SettingsStore& store);

// The engine's voices in its order; kNoVoicesMessage when it cannot be used.
Expected<VoiceTokens> InstalledVoices();

// The voice for the user's language (the system locale, e.g. LANG=de_DE.UTF-8
// gives German), else English, else the first; -1 when there is no voice.
int FirstStartVoice(const VoiceTokens& voices);

} // namespace vt
