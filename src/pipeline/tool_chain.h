#pragma once

#include "pipeline/chain.h"
#include "tags/chapter_timing.h"
#include "tools/command_runner.h"

#include <QStringList>

namespace vt
{

class WindowPort;

// The real chain: the deployed converter and encoder and the speech engine.
class ToolChain : public Chain
{
  public:
    explicit ToolChain(WindowPort& window) : window_(window), runner_(window) {}
    void deployTools(StepGuard& run) override;
    void removeTools(StepGuard& run) override;
    BookVoice chooseVoice(const QString& bookPath) override;
    void readEpubToText(const QString& bookPath) override;
    qint32 cutText(const QString& textPath) override;
    void saveToWav(const QString& source, const QString& wavPath) override;
    void wavToMp3(const QString& wavPath, const QString& mp3Path) override;
    void tagResult(const QString& bookPath, const QString& resultPath) override;

  private:
    qint32 pieceOf(const QString& path) const;

    WindowPort& window_;
    WindowCommandRunner runner_;
    BookVoice voice_; // of the book in progress
    // The book in progress: its pieces and where its chapters fall.
    QString book_;
    QStringList pieces_;
    ChapterTiming chapters_;
};

} // namespace vt
