#pragma once

#include "speech/book_voice.h"

#include <QString>
#include <QtGlobal>
#include <functional>

namespace vt
{

class StepGuard;

// The steps of the per-book chain as the conversion run calls them. The
// real chain runs the tools; tests put in a scripted one.
class Chain
{
  public:
    virtual ~Chain() = default;
    // Puts the tools into the working folder, each step under the run's guard.
    virtual void deployTools(StepGuard& run) = 0;
    virtual void removeTools(StepGuard& run) = 0;
    // The voice the book is to be spoken with, chosen at its start; its
    // pieces are then spoken with it. No choice of its own by default.
    virtual BookVoice chooseVoice(const QString& bookPath)
    {
        (void)bookPath;
        return {};
    }
    // Leaves W/output.txt when the book could be converted to text.
    virtual void readEpubToText(const QString& bookPath) = 0;
    // Cuts the text into W/outputNNN.txt pieces, deletes it, returns the count.
    virtual qint32 cutText(const QString& textPath) = 0;
    // Speaks a piece file into a WAV file (or a text aloud when wavPath is empty).
    virtual void saveToWav(const QString& source, const QString& wavPath) = 0;
    virtual void wavToMp3(const QString& wavPath, const QString& mp3Path) = 0;
    // Writes the book's title, authors, cover and chapters into its finished
    // audio book. Never fails: a book without them keeps a bare file.
    virtual void tagResult(const QString& /*bookPath*/, const QString& /*resultPath*/) {}

    // Where speaking and encoding tell how far they are (0..1) while they
    // work, so that the bar can move within a long piece. The run sets it.
    void tellProgressTo(std::function<void(double)> progress) { progress_ = std::move(progress); }

  protected:
    const std::function<void(double)>& progress() const { return progress_; }

  private:
    std::function<void(double)> progress_;
};

} // namespace vt
