#include "tool_chain.h"

#include "book_tags.h"
#include "mp3_encoding.h"
#include "speech_rendering.h"
#include "text_cutting.h"
#include "text_extraction.h"
#include "tool_deployment.h"
#include "window_ports.h"

namespace vt
{

void ToolChain::deployTools(StepGuard& run)
{
    DeployTools(run, window_);
}

void ToolChain::removeTools(StepGuard& run)
{
    RemoveTools(run, window_);
}

BookVoice ToolChain::chooseVoice(const QString& bookPath)
{
    voice_ = ChooseBookVoice(bookPath, window_.combo1Index(), window_.check2());
    return voice_;
}

void ToolChain::readEpubToText(const QString& bookPath)
{
    ReadePubToStringToFSO(bookPath, window_, runner_);
}

qint32 ToolChain::cutText(const QString& textPath)
{
    return CutTextFileFSO(textPath, window_);
}

void ToolChain::saveToWav(const QString& source, const QString& wavPath)
{
    SaveToWAV(source, wavPath, window_, progress(), voice_.index);
}

// The encoder's own frame count tells how far it is.
void ToolChain::wavToMp3(const QString& wavPath, const QString& mp3Path)
{
    WindowCommandRunner runner(window_, [this] {
        const double share = EncodedShare(LastToolOutput());
        if (share >= 0 && progress())
            progress()(share);
    });
    WAVToMP3(wavPath, mp3Path, window_, runner);
}

void ToolChain::tagResult(const QString& bookPath, const QString& resultPath)
{
    TagAudioBook(bookPath, resultPath, {}, [this] { window_.yieldOnce(); });
}

} // namespace vt
