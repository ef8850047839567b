#include "pipeline/tool_chain.h"

#include "audio/mp3_encoding.h"
#include "audio/mp3_frames.h"
#include "common/files.h"
#include "common/paths.h"
#include "epub/contents.h"
#include "epub/package.h"
#include "epub/spoken_copy.h"
#include "pipeline/failure_reasons.h"
#include "speech/speech_rendering.h"
#include "tags/book_tags.h"
#include "text/chapter_places.h"
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
    DeployTools(run, hooks().yield);
}

void ToolChain::removeTools(StepGuard& run)
{
    RemoveTools(run, hooks().yield);
}

BookVoice ToolChain::startBook(const BookJob& job, const EpubBook& book)
{
    job_ = job;
    book_ = &book;
    m4b_.reset();
    pieces_.clear();
    chapters_.start({});
    voice_ = ChooseBookVoice(book.package().language, job.voice, job.matchLanguage);
    return voice_;
}

qint32 ToolChain::pieceOf(const QString& path) const
{
    return qint32(pieces_.indexOf(StripExtension(path) + u".txt"_s)) + 1;
}

ToolRun ToolChain::readEpubToText()
{
    // Books take calibre seconds; one made to be hard to read may take hours.
    PassingRunner runner(hooks().toolPass,
                         ToolTimeLimitMs(QFileInfo(job_.book).size(), 2, 1 << 20));
    return ReadePubToStringToFSO(job_.book, hooks().report, runner, [this](const QString& copy) {
        return WriteSpokenCopy(*book_, copy, hooks().yield);
    });
}

// The chapters are placed in the text as it will be spoken, once it is cut.
qint32 ToolChain::cutText(const QString& textPath)
{
    const qint32 m = CutTextFileFSO(textPath, job_.rate, hooks().report, hooks().yield);
    for (qint32 j = 1; j <= m; ++j)
        pieces_.append(StripExtension(textPath) + PieceNumber(j) + u".txt"_s);
    if (job_.tags)
        chapters_.start(LocateChapters(*book_, ReadEpubContents(*book_), pieces_, hooks().yield));
    return m;
}

void ToolChain::saveToWav(const QString& source, const QString& wavPath)
{
    const qint32 piece = pieceOf(source);
    SpeechCalls calls{hooks().report, hooks().yield, hooks().spoken, {}, hooks().voiceUnavailable};
    // The engine's word events tell where each chapter's first word is heard.
    if (chapters_.wanted())
        calls.events = [this, piece](const SpeechEvent& e) {
            if (e.kind == SpeechEvent::Kind::Word)
                chapters_.wordReached(piece, e.textPosition, e.sample);
        };
    SaveToWAV(source, wavPath, {voice_.voice, job_.volume, job_.rate}, calls);
    if (chapters_.wanted() && piece > 0 && FileExists(wavPath))
        chapters_.pieceSpoken(piece, (QFileInfo(wavPath).size() - kWavHeaderBytes) / 2,
                              codePoints(source));
}

Expected<void> ToolChain::encodePiece(const QString& wavPath, const QString& target)
{
    return job_.format == OutputFormat::M4b ? encodeM4b(wavPath, target)
                                            : encodeMp3(wavPath, target);
}

// The encoder's own frame count tells how far it is.
Expected<void> ToolChain::encodeMp3(const QString& wavPath, const QString& target)
{
    PassingRunner runner(
        [this](const QByteArray& output) {
            const double share = EncodedShare(output);
            if (share >= 0 && hooks().spoken)
                hooks().spoken(share);
            if (hooks().toolPass)
                hooks().toolPass(output);
        },
        ToolTimeLimitMs(QFileInfo(wavPath).size(), 5, 10 << 20));
    const ToolRun encoder = WAVToMP3(wavPath, target, hooks().report, runner);
    // A joined book holds each piece's MP3 whole; a book of one piece needs
    // no measure.
    if (chapters_.wanted() && pieces_.size() > 1)
        chapters_.pieceEncoded(pieceOf(wavPath), Mp3FrameSamples(target));
    if (encoder.failed())
        return Problem{EncodeFailureReason(target, encoder)};
    return {};
}

// Every piece goes into the one file: started with the book's tags and
// cover at the first piece, the chapters are timed by the samples before.
Expected<void> ToolChain::encodeM4b(const QString& wavPath, const QString& target)
{
    if (!m4b_) {
        tags_ = job_.tags ? BookTagsFromEpub(*book_) : BookTags{};
        M4bMetadata metadata;
        metadata.texts = {{"title", tags_.title},
                          {"album", tags_.title},
                          {"artist", tags_.authors.join(u", "_s)},
                          {"album_artist", tags_.authors.join(u", "_s)},
                          {"genre", job_.tags ? u"Audiobook"_s : QString()},
                          {"date", tags_.year},
                          {"comment", tags_.comment},
                          {"description", tags_.comment},
                          {"copyright", tags_.publisher},
                          {"media_type", u"2"_s}}; // an audio book
        metadata.language = tags_.language;
        metadata.cover = tags_.cover.data;
        Expected<std::unique_ptr<M4bWriter>> made = M4bWriter::create(target, metadata);
        if (!made)
            return Problem{u"the M4B file could not be made: "_s + made.error()};
        m4b_ = std::move(*made);
    }
    const qint64 before = m4b_->samples();
    const Expected<void> added = m4b_->appendWav(wavPath, hooks().spoken, hooks().yield);
    if (!added)
        return Problem{u"the M4B file could not be written: "_s + added.error()};
    if (chapters_.wanted())
        chapters_.pieceEncoded(pieceOf(wavPath), m4b_->samples() - before);
    return {};
}

Expected<QStringList> ToolChain::finishResult(const QString& resultPath)
{
    if (job_.format == OutputFormat::M4b) {
        if (!m4b_)
            return Problem{u"the M4B file was never started"_s};
        QList<M4bMetadata::Chapter> chapters;
        for (const BookChapter& c : chapters_.chapters())
            chapters.append({c.title.left(kChapterTitleMax), c.startMs, c.endMs});
        const Expected<void> finished = m4b_->finish(job_.tags ? chapters : decltype(chapters){});
        m4b_.reset();
        if (!finished)
            return finished.problem();
        return tags_.notes;
    }
    if (!job_.tags)
        return QStringList{};
    return TagAudioBook(*book_, resultPath, chapters_.chapters(), hooks().yield, job_.id3);
}

} // namespace vt
