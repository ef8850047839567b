#include "pipeline/tool_chain.h"

#include "audio/mp3_encoding.h"
#include "audio/mp3_frames.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/window_ports.h"
#include "epub/package.h"
#include "speech/speech_rendering.h"
#include "tags/book_tags.h"
#include "text/cutting.h"
#include "tools/text_extraction.h"
#include "tools/tool_deployment.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr qint64 kWavHeaderBytes = 44;

qint64 codePoints(const QString& textPath)
{
    QFile file(textPath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).toUcs4().size() : 0;
}

} // namespace

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

qint32 ToolChain::pieceOf(const QString& path) const
{
    return qint32(pieces_.indexOf(StripExtension(path) + u".txt"_s)) + 1;
}

void ToolChain::readEpubToText(const QString& bookPath)
{
    book_ = bookPath;
    pieces_.clear();
    chapters_.start({});
    ReadePubToStringToFSO(bookPath, window_, runner_);
}

// The chapters are placed in the text as it will be spoken, once it is cut.
qint32 ToolChain::cutText(const QString& textPath)
{
    const qint32 m = CutTextFileFSO(textPath, window_);
    for (qint32 j = 1; j <= m; ++j)
        pieces_.append(StripExtension(textPath) + PieceNumber(j) + u".txt"_s);
    if (window_.check1()) {
        try {
            const EpubBook book(book_);
            chapters_.start(LocateChapters(book, ReadEpubContents(book), pieces_,
                                           [this] { window_.yieldOnce(); }));
        } catch (...) {
            chapters_.start({}); // a book whose chapters cannot be placed has none
        }
    }
    return m;
}

void ToolChain::saveToWav(const QString& source, const QString& wavPath)
{
    const qint32 piece = pieceOf(source);
    // The engine's word events tell where each chapter's first word is heard.
    SpeechEventHandler words;
    if (chapters_.wanted())
        words = [this, piece](const SpeechEvent& e) {
            if (e.kind == SpeechEvent::Kind::Word)
                chapters_.wordReached(piece, e.textPosition, e.sample);
        };
    SaveToWAV(source, wavPath, window_, progress(), voice_.index, words);
    if (chapters_.wanted() && piece > 0 && FileExists(wavPath))
        chapters_.pieceSpoken(piece, (QFileInfo(wavPath).size() - kWavHeaderBytes) / 2,
                              codePoints(source));
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
    // A joined book holds each piece's MP3 whole; a book of one piece needs
    // no measure.
    if (chapters_.wanted() && pieces_.size() > 1)
        chapters_.pieceEncoded(pieceOf(wavPath), Mp3FrameSamples(mp3Path));
}

void ToolChain::tagResult(const QString& bookPath, const QString& resultPath)
{
    TagAudioBook(bookPath, resultPath, chapters_.chapters(), [this] { window_.yieldOnce(); });
}

} // namespace vt
