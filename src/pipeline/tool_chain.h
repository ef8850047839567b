#pragma once

#include "pipeline/chain.h"
#include "tags/chapter_timing.h"

#include <QStringList>

namespace vt
{

// The real chain: the deployed converter and encoder and the speech engine.
class ToolChain : public Chain
{
  public:
    void deployTools(StepGuard& run) override;
    void removeTools(StepGuard& run) override;
    BookVoice startBook(const BookJob& job, const EpubBook& book) override;
    ToolRun readEpubToText() override;
    qint32 cutText(const QString& textPath) override;
    void saveToWav(const QString& source, const QString& wavPath) override;
    ToolRun wavToMp3(const QString& wavPath, const QString& mp3Path) override;
    Expected<QStringList> tagResult(const QString& resultPath) override;

  private:
    qint32 pieceOf(const QString& path) const;

    // The book in progress: its job, its archive, the voice it is spoken
    // with, its pieces and where its chapters fall.
    BookJob job_;
    const EpubBook* book_ = nullptr;
    BookVoice voice_;
    QStringList pieces_;
    ChapterTiming chapters_;
};

} // namespace vt
