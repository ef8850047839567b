#pragma once

#include "pipeline/conversion_run.h"
#include "pipeline/tool_chain.h"
#include "recording_observer.h"
#include "speech/voice_catalogue.h"

#include <optional>

namespace vt::test
{

// Books through a chain (the real one unless given) as a front end starts
// them, with a front end that records what it is told.
struct Conversion {
    JobSettings settings;
    RecordingObserver observer;

    RunOutcome convert(const QStringList& books, Chain& chain)
    {
        return ConvertBooks(MakeJobs(books, settings), observer, chain);
    }
    RunOutcome convert(const QStringList& books)
    {
        ToolChain chain;
        return convert(books, chain);
    }
};

// An installed voice by its description; none when it is not installed.
inline std::optional<VoiceToken> voiceNamed(const QString& name)
{
    for (const VoiceToken& voice : InstalledVoices().valueOr(VoiceTokens({})))
        if (voice.GetDescription() == name)
            return voice;
    return std::nullopt;
}

} // namespace vt::test
