#include "pipeline/tool_chain.h"

#include "audio/m4b_split.h"
#include "audio/mp3_encoding.h"
#include "audio/mp3_frames.h"
#include "audio/mp3_info_frame.h"
#include "audio/mp3_split.h"
#include "audio/part_cutter.h"
#include "common/error.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/voice_marks.h"
#include "epub/contents.h"
#include "epub/package.h"
#include "epub/spoken_copy.h"
#include "pipeline/chapter_files.h"
#include "pipeline/failure_reasons.h"
#include "speech/speech_engine.h"
#include "pipeline/script_voices.h"
#include "speech/speech_rendering.h"
#include "speech/voice_languages.h"
#include "tags/book_tags.h"
#include "text/chapter_places.h"
#include "text/cutting.h"
#include "tools/text_extraction.h"
#include "tools/tool_deployment.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QThread>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr qint64 kWavHeaderBytes = 44;
constexpr qint64 kSampleRate = 22050;

// The MP3 tags in MP4's words; a chapter's own file has its title, and the
// book's title as its album.
M4bMetadata m4bMetadata(const BookTags& tags, bool tagged)
{
    const QString authors = tags.authors.join(u", "_s);
    const bool track = tags.track.number > 0;
    M4bMetadata metadata;
    metadata.texts = {{"title", track ? tags.track.title : tags.title},
                      {"album", tags.title},
                      {"artist", authors},
                      {"album_artist", authors},
                      {"genre", tagged ? u"Audiobook"_s : QString()},
                      {"date", tags.year},
                      {"comment", tags.comment},
                      {"description", tags.comment},
                      {"copyright", tags.publisher},
                      {"track", track ? QString::number(tags.track.number) + u'/' +
                                            QString::number(tags.track.total)
                                      : QString()},
                      {"media_type", u"2"_s}}; // an audio book
    metadata.language = tags.language;
    metadata.cover = tags.cover.data;
    return metadata;
}

// Speech on its way to a book's encoders; an encoder that fails stops the
// speaking (its reason comes when the book's file is finished).
class EncoderSink : public AudioSink
{
  public:
    using Take = std::function<Expected<void>(const qint16*, int)>;
    explicit EncoderSink(Take take) : take_(std::move(take)) {}
    void write(const qint16* samples, int count) override
    {
        if (const Expected<void> taken = take_(samples, count); !taken)
            raise(taken.problem().number, taken.error());
        samples_ += count;
    }
    qint64 samples() const { return samples_; }

  private:
    Take take_;
    qint64 samples_ = 0;
};

// Code points of the text before its first letter or digit.
qint64 firstWordOffset(const QString& textPath)
{
    QFile file(textPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QList<uint> text = QString::fromUtf8(file.read(64 * 1024)).toUcs4();
    qint64 offset = 0;
    while (offset < text.size() && !QChar::isLetterOrNumber(char32_t(text[offset])))
        ++offset;
    return offset;
}

bool isJapanese(const QString& languageTag)
{
    return NormalLanguageTag(languageTag).section(u'-', 0, 0) == u"ja"_s;
}

// A book in Japanese, or one a Japanese voice speaks, is read as Japanese.
bool readsJapanese(const QString& bookLanguage, const BookVoice& voice)
{
    return isJapanese(bookLanguage) || (voice.voice && !voice.voice->languages().isEmpty() &&
                                        isJapanese(voice.voice->languages().first().tag));
}

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
    endEncoders();
    m4b_.reset();
    streamFailure_.clear();
    pieces_.clear();
    places_.clear();
    chapters_.start({});
    SpeechEngine::instance().startAfresh(); // whatever was spoken before it
    readListenerChoices();
    voice_ = ChooseBookVoice(book.package().language, job.voice, job.matchLanguage);
    chooseReading(book.package().language);
    return voice_;
}

// Japanese in kana, Mandarin in pinyin by the voice that reads it, and words
// of writings the book's voice cannot read handed to voices that can.
void ToolChain::chooseReading(const QString& bookLanguage)
{
    reading_.reset();
    stretchVoices_.clear();
    const bool japanese = readsJapanese(bookLanguage, voice_);
    std::unique_ptr<JapaneseReading> kana;
    if (japanese) {
        kana = JapaneseReading::make();
        if (!kana)
            notes_.append(u"Japanese kanji need MeCab's dictionary: install mecab-ipadic-utf8"_s);
    }
    std::optional<VoiceTokens> voices;
    try {
        voices = SpVoice().GetVoices();
    } catch (const Error&) {
        // No engine: the speaking will say why; the text is read as it is.
    }
    ScriptVoices chosen;
    if (voices) {
        chosen = ChooseScriptVoices(voice_.voice, japanese, job_.voice, *voices,
                                    QLocale::system().name());
    } else if (japanese) {
        chosen.reading = ScriptVoices::Reading::Japanese;
        chosen.home = {Writing::Han, Writing::Kana};
    }
    const bool mandarin = chosen.reading == ScriptVoices::Reading::Mandarin;
    if (mandarin && voice_.voice->identifier() != chosen.pinyin->identifier())
        voice_ = {chosen.pinyin, chosen.pinyin->GetDescription(), voice_.note};
    if (IsChinese(bookLanguage) || mandarin)
        notes_.append(mandarin ? u"Chinese read as Mandarin, in pinyin"_s
                               : u"Chinese read as "_s +
                                     (IsMandarin(bookLanguage) ? u"Mandarin"_s : u"Cantonese"_s));
    const ScriptReading::Home home = japanese   ? ScriptReading::Home::Japanese
                                     : mandarin ? ScriptReading::Home::Mandarin
                                                : ScriptReading::Home::AsWritten;
    reading_ = std::make_unique<ScriptReading>(home, chosen.home, chosen.keys, std::move(kana));
    stretchVoices_ = chosen.voices;
}

// The book's pronunciation list comes before the global one; rules that
// cannot be used and chosen parts the book lacks are noted.
void ToolChain::readListenerChoices()
{
    const ListenerChoices& choices = job_.listening;
    notes_.clear();
    pronouncer_ = Pronouncer{};
    for (const QString& path : {BookPronunciationPath(job_.book), choices.pronunciations}) {
        if (path.isEmpty())
            continue;
        const PronunciationList list = PronunciationList::read(path);
        notes_.append(ListNotes(list, QFileInfo(path).fileName()));
        pronouncer_.add(list);
    }
    parts_ = ReadBookParts(*book_);
    read_ = PartsRead(parts_, choices.parts);
    if (choices.parts.chosen && !parts_.isEmpty()) {
        const QList<int>& chosen = *choices.parts.chosen;
        const auto missing =
            std::find_if(chosen.begin(), chosen.end(), [&](int n) { return n > parts_.size(); });
        if (missing != chosen.end()) {
            QString note =
                u"the book has %1 parts: %2 is not one of them"_s.arg(parts_.size()).arg(*missing);
            // A choice made for other books (a batch) that names none of this
            // one's parts would leave nothing to read: its defaults are read.
            if (!read_.contains(true)) {
                read_ = PartsRead(parts_, {});
                note += u"; the parts read by default are read"_s;
            }
            notes_.append(note);
        }
    }
    // The spoken copy and the chapter places leave out the same text.
    skipped_ = SkippedParts(*book_, parts_, read_);
}

// The voice's settings for a piece: silence before each chapter that
// begins in it (not before the book's first words), and after every line
// when the listener asked for it.
SpeakSettings ToolChain::speakSettings(qint32 piece) const
{
    SpeakSettings settings{voice_.voice, job_.volume, job_.rate, {}, -1, stretchVoices_};
    const ListenerChoices& choices = job_.listening;
    if (choices.paragraphPauseMs >= 0)
        settings.lineEndSamples = qint64(choices.paragraphPauseMs) * kSampleRate / 1000;
    const qint64 chapterPause = qint64(std::max(choices.chapterPauseMs, 0)) * kSampleRate / 1000;
    for (const ChapterPlace& place : places_)
        if (place.piece == piece && (piece != 1 || place.offset > firstWordOffset_))
            settings.pauses.append({place.offset, chapterPause, false});
    return settings;
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
    return ReadePubToStringToFSO(job_.book, hooks().report, runner, [&](const QString& copy) {
        return WriteSpokenCopy(*book_, copy, hooks().yield, skipped_);
    });
}

// What each line becomes before it is cut: the book's own ⟦ and ⟦ are no
// voice's marks, the listener's rules come next (they may name a word as it
// is written, or hand it to a voice with a mark), then the book's reading.
LineTransform ToolChain::spokenLine() const
{
    return [this](const QString& line) {
        QString said = WithoutVoiceMarks(line);
        if (!pronouncer_.isEmpty())
            said = pronouncer_.apply(said);
        return reading_ ? reading_->apply(said) : said;
    };
}

// The chapters are placed in the text as it will be spoken, once it is cut.
// The pronunciation rules and the reading of Japanese change the text
// before it is cut.
qint32 ToolChain::cutText(const QString& textPath)
{
    const LineTransform spoken = spokenLine();
    if (const Expected<void> rewritten = RewriteTextLines(textPath, spoken, hooks().yield);
        !rewritten)
        notes_.append((pronouncer_.isEmpty() ? u"the text was not read for its voices: "_s
                                             : u"the pronunciation list was not applied: "_s) +
                      rewritten.error());
    const qint32 m = CutTextFileFSO(textPath, job_.rate, hooks().report, hooks().yield);
    for (qint32 j = 1; j <= m; ++j)
        pieces_.append(StripExtension(textPath) + PieceNumber(j) + u".txt"_s);
    if (const QStringList pages = book_->repairedPages(); !pages.isEmpty())
        notes_.append(u"bytes that are not UTF-8 in "_s + pages.join(u", "_s) +
                      u" were read as U+FFFD (the page says no other encoding)"_s);
    if (!job_.tags && !job_.splitChapters && job_.listening.chapterPauseMs <= 0)
        return m;
    // Chapter marks follow what is read: only the entries chosen are placed.
    QList<ContentsEntry> contents;
    for (qsizetype i = 0; i < parts_.size(); ++i)
        if (parts_[i].listed && read_[i])
            contents.append({parts_[i].title, parts_[i].path, parts_[i].fragment, parts_[i].level});
    places_ = LocateChapters(*book_, contents, pieces_, hooks().yield, spoken, skipped_);
    firstWordOffset_ = pieces_.isEmpty() ? 0 : firstWordOffset(pieces_.first());
    if (job_.tags || job_.splitChapters)
        chapters_.start(places_);
    return m;
}

// The engine's word events tell where each chapter's first word is heard.
SpeechCalls ToolChain::speechCalls(qint32 piece)
{
    SpeechCalls calls{hooks().report, hooks().yield, hooks().spoken, {}, hooks().voiceUnavailable};
    if (chapters_.wanted())
        calls.events = [this, piece](const SpeechEvent& e) {
            if (e.kind == SpeechEvent::Kind::Word)
                chapters_.wordReached(piece, e.textPosition, e.sample);
        };
    return calls;
}

void ToolChain::saveToWav(const QString& source, const QString& wavPath)
{
    const qint32 piece = pieceOf(source);
    SaveToWAV(source, wavPath, speakSettings(piece), speechCalls(piece));
    lastPieceSamples_ = (QFileInfo(wavPath).size() - kWavHeaderBytes) / 2;
    if (chapters_.wanted() && piece > 0 && FileExists(wavPath))
        chapters_.pieceSpoken(piece, (QFileInfo(wavPath).size() - kWavHeaderBytes) / 2,
                              codePoints(source));
}

bool ToolChain::streams() const
{
    return job_.threads != 1;
}

// The encoders of the book's file, made at its first piece: an MP3 is cut
// into parts that every core encodes, an M4B is encoded on a thread beside
// the speech.
Expected<void> ToolChain::startEncoders(const QString& target)
{
    if (job_.format == OutputFormat::Mp3) {
        const int cores = job_.threads > 0 ? job_.threads : QThread::idealThreadCount();
        Expected<std::unique_ptr<ParallelMp3Encoder>> made =
            ParallelMp3Encoder::create(target, cores);
        if (!made)
            return made.problem();
        mp3_ = std::move(*made);
        return {};
    }
    if (const Expected<void> started = startM4b(target); !started)
        return started;
    m4bThread_ = std::make_unique<EncoderThread>([writer = m4b_.get()](const auto& samples) {
        return writer->appendSamples(samples.data(), qsizetype(samples.size()));
    });
    return {};
}

// The book's pieces go one after the other into its encoders; the chapters
// are timed by the samples spoken.
bool ToolChain::speakPiece(const QString& source, const QString& target)
{
    target_ = target;
    if (!mp3_ && !m4bThread_ && streamFailure_.isEmpty())
        if (const Expected<void> started = startEncoders(target); !started)
            streamFailure_ = started.error();
    if (!mp3_ && !m4bThread_)
        return false;
    const qint32 piece = pieceOf(source);
    const SpeechCalls calls = speechCalls(piece);
    const Yield& yield = hooks().yield;
    EncoderSink sink([this, &yield](const qint16* samples, int count) {
        return mp3_ ? mp3_->write(samples, count, yield) : m4bThread_->write(samples, count, yield);
    });
    bool spoken = false;
    try {
        spoken = SpeakToSink(source, sink, speakSettings(piece), calls);
    } catch (const RunStopped&) {
        endEncoders(); // a stop ends every encoder at once
        throw;
    }
    if (chapters_.wanted() && piece > 0) {
        chapters_.pieceSpoken(piece, sink.samples(), codePoints(source));
        chapters_.pieceEncoded(piece, sink.samples());
    }
    return spoken;
}

void ToolChain::endEncoders()
{
    mp3_.reset();
    m4bThread_.reset();
}

Expected<void> ToolChain::finishPieces()
{
    Expected<void> finished = streamFailure_.isEmpty() ? Expected<void>{} : Problem{streamFailure_};
    try {
        if (mp3_)
            finished = mp3_->finish(hooks().yield);
        else if (m4bThread_)
            finished = m4bThread_->finish(hooks().yield);
    } catch (const RunStopped&) {
        endEncoders();
        throw;
    }
    endEncoders();
    if (!finished)
        return Problem{job_.format == OutputFormat::Mp3
                           ? StreamFailureReason(target_, finished.error())
                           : u"the M4B file could not be written: "_s + finished.error()};
    return {};
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
    if (!m4b_)
        if (const Expected<void> started = startM4b(target); !started)
            return started;
    const qint64 before = m4b_->samples();
    const Expected<void> added = m4b_->appendWav(wavPath, hooks().spoken, hooks().yield);
    if (!added)
        return Problem{u"the M4B file could not be written: "_s + added.error()};
    if (chapters_.wanted())
        chapters_.pieceEncoded(pieceOf(wavPath), m4b_->samples() - before);
    return {};
}

Expected<void> ToolChain::startM4b(const QString& target)
{
    tags_ = job_.tags ? BookTagsFromEpub(*book_) : BookTags{};
    Expected<std::unique_ptr<M4bWriter>> made =
        M4bWriter::create(target, m4bMetadata(tags_, job_.tags));
    if (!made)
        return Problem{u"the M4B file could not be made: "_s + made.error()};
    m4b_ = std::move(*made);
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
        return notes_ + tags_.notes;
    }
    // The pieces of the chain that encodes each piece on its own have no
    // Info frame: the book gets one, with the last piece's padding.
    if (!streams())
        if (const Expected<void> info =
                WriteInfoFrame(resultPath, kLameEncoderDelay,
                               int(SeamSamples(lastPieceSamples_)) - kLameEncoderDelay);
            !info)
            return info.problem();
    if (!job_.tags)
        return notes_;
    Expected<QStringList> tagged =
        TagAudioBook(*book_, resultPath, chapters_.chapters(), hooks().yield, job_.id3);
    if (!tagged)
        return tagged;
    return notes_ + *tagged;
}

} // namespace vt

namespace vt
{

// The chapters found while the book was spoken give the cuts; the tags are
// the book's, each file with its own title and number.
Expected<int> ToolChain::splitResult(const QString& resultPath, const QString& folder)
{
    const QList<BookChapter> chapters = chapters_.chapters();
    if (chapters.size() < 2)
        return 0;
    BookTags tags = !job_.tags                         ? BookTags{}
                    : job_.format == OutputFormat::M4b ? tags_
                                                       : BookTagsFromEpub(*book_);
    tags.chapters.clear();
    tags.track.total = int(chapters.size());
    QList<Path> targets;
    QList<qint64> startsMs;
    QList<QByteArray> heads;
    QList<M4bMetadata> metadata;
    const QString suffix = u'.' + SuffixOf(job_.format);
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        const BookChapter& c = chapters[i];
        targets.append(Path(folder) /
                       ChapterFileName(int(i + 1), tags.track.total, c.title, suffix));
        startsMs.append(c.startMs);
        tags.track.number = int(i + 1);
        tags.track.title = c.title.left(kChapterTitleMax);
        if (job_.format == OutputFormat::M4b)
            metadata.append(m4bMetadata(tags, job_.tags));
        else
            heads.append(job_.tags ? RenderId3Tag(tags, job_.id3) : QByteArray());
        if (hooks().yield)
            hooks().yield();
    }
    Expected<void> split;
    if (job_.format == OutputFormat::M4b) {
        split = SplitM4b(resultPath, startsMs, targets, metadata);
    } else {
        QList<qint64> starts;
        for (const qint64 ms : startsMs)
            starts.append(ms * kSampleRate / 1000);
        split = SplitMp3(resultPath, starts, targets, heads);
    }
    if (!split)
        return split.problem();
    return int(targets.size());
}

} // namespace vt
