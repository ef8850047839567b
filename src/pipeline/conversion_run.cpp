#include "pipeline/conversion_run.h"

#include "audio/joined_mp3.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/settings.h"
#include "common/step_guard.h"
#include "common/working_folder.h"
#include "epub/package.h"
#include "epub/spoken_copy.h"
#include "pipeline/chain.h"
#include "pipeline/failure_reasons.h"
#include "pipeline/partial_result.h"
#include "pipeline/progress.h"
#include "pipeline/result_names.h"
#include "tools/command_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QStorageInfo>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace vt
{

QStringList RunOutcome::failedBooks() const
{
    QStringList list;
    for (const BookResult& result : books)
        if (!result.ok)
            list.append(result.book);
    return list;
}

namespace
{

QString shellQuoted(const QString& path)
{
    QString quoted = path;
    return u'\'' + quoted.replace(u"'"_s, u"'\\''"_s) + u'\'';
}

// The partial file of the book in progress (and, while it is cut into
// chapters, their folder), so that ending the program mid-run can remove it.
QList<PartialResult>& resultInProgress()
{
    static QList<PartialResult> partial;
    return partial;
}

// How the bar divides a book: its pieces share it equally, except that the
// join of several pieces takes the last part.
constexpr double kJoinShare = 0.02;

// The working folder and lock of the run in progress in this process, so
// that ending the program mid-run can clear up after it.
struct RunInProgress {
    Path folder;
    QLockFile* lock = nullptr;
};

RunInProgress& runInProgress()
{
    static RunInProgress run;
    return run;
}

// The audio, script and book copy a run killed before it could clear up
// left; the tools it left are used again.
void removeLeftAudio(const Path& folder)
{
    static const QRegularExpression audio(u"^output(\\d{3,})?\\.(wav|mp3)$"_s);
    const QDir dir(folder.text());
    for (const QString& name : dir.entryList({u"output*"_s}, QDir::Files | QDir::Hidden))
        if (audio.match(name).hasMatch())
            DeleteFileQuiet(folder / name);
    for (const QString& name : {u"JoinMP3.sh"_s, u"spoken.epub"_s, u"book.epub"_s})
        DeleteFileQuiet(folder / name);
}

// The texts of the last book: the design leaves them for the next book to
// overwrite, but a run's end leaves nothing of the books behind.
void removeTexts(const Path& folder)
{
    static const QRegularExpression text(u"^output(\\d{3,})?\\.txt$"_s);
    const QDir dir(folder.text());
    for (const QString& name : dir.entryList({u"output*.txt"_s}, QDir::Files | QDir::Hidden))
        if (text.match(name).hasMatch())
            DeleteFileQuiet(folder / name);
}

// Every working file a run makes: texts, audio, script, tools, the cleaned
// copy of the book the converter reads.
void removeWorkingFiles(const Path& folder)
{
    static const QRegularExpression piece(u"^output(\\d{3,})?\\.(txt|wav|mp3)$"_s);
    const QDir dir(folder.text());
    for (const QString& name : dir.entryList({u"output*"_s}, QDir::Files | QDir::Hidden))
        if (piece.match(name).hasMatch())
            DeleteFileQuiet(folder / name);
    for (const QString& name :
         {u"JoinMP3.sh"_s, u"calibre.zip"_s, u"lame"_s, u"spoken.epub"_s, u"book.epub"_s})
        DeleteFileQuiet(folder / name);
    // A tool folder that cannot be listed stays; the next run unpacks over it.
    (void)DeleteFolderTree(folder / u"calibre");
}

// Notes on a book, after those it has, "; " between them.
void addNotes(BookResult& result, const QStringList& notes)
{
    for (const QString& note : notes)
        if (!note.isEmpty())
            result.note += (result.note.isEmpty() ? QString() : u"; "_s) + note;
}

// One run over the jobs; the members are the run's state.
class Run
{
  public:
    Run(const QList<BookJob>& jobs, RunObserver& observer, Chain& chain)
        : jobs_(jobs), observer_(observer), chain_(chain),
          run_([this](const StepFailure& f) { reportFailure(f); }, u"Form1.PushButton1_Click"_s)
    {
    }

    RunOutcome go();

  private:
    bool takeLock();
    void books();
    void book(int i);
    void pieces(qint32 m, bool wholeBook);
    void streamedPieces(qint32 m);
    void encoded(const QString& target, bool isResult, const Expected<void>& encoding);
    QString unspokenReason(qint32 m) const;
    void splitIntoChapters(BookResult& result, const Path& folder,
                           std::optional<PartialResult>& partial);
    void join(BookResult& result, qint32 m);
    void clearUpStopped();
    void finished(const BookResult& result)
    {
        outcome_.books.append(result);
        observer_.bookFinished(result);
    }
    // A book whose text could not be had: the front end's box, then its end.
    void unreadable(const BookResult& result)
    {
        run_.step(260, [&] {
            observer_.message(
                {RunMessage::Kind::UnreadableBook, result.reason, result.book, {}, 0});
        });
        finished(result);
    }

    void reportFailure(const StepFailure& failure);
    // Tells the front end where the run is; a step raises the activity first.
    void show(RunProgress::Stage stage = RunProgress::Stage::Working);
    void step()
    {
        ++progress_.activity;
        show();
    }
    // Lets the front end breathe; raises RunStopped when it asks to stop.
    void yield();
    void showBookDone(double done);
    void showPieceDone(double pieceDone);
    QString working(const QString& name) const { return (workFolder_ / name).text(); }
    QString piece(qint32 j, const char* extension) const
    {
        return working(u"output"_s + PieceNumber(j) + QLatin1String(extension));
    }

    const QList<BookJob>& jobs_;
    RunObserver& observer_;
    Chain& chain_;
    StepGuard run_;
    RunProgress progress_;
    Path workFolder_;
    std::unique_ptr<QLockFile> lock_;
    RunOutcome outcome_;
    QString book_; // the book in progress, for the messages
    // Where speaking or encoding of the piece in progress lies within it.
    double partFrom_ = 0;
    double partSpan_ = 0;
    QStringList missingPieces_;
    QStringList unspoken_;  // pieces the speech engine left no WAV for
    QString encodeFailure_; // why the encoder failed first in this book
    QString joinFailure_;   // why the join of this book's pieces failed
    QString partial_;       // the file the book's result is made in
};

RunOutcome Run::go()
{
    if (!takeLock())
        return outcome_;
    outcome_.started = true;
    chain_.setHooks(
        {[this](const StepFailure& f) { reportFailure(f); }, [this] { yield(); },
         [this](const QByteArray&) {
             step();
             yield();
         },
         [this](double share) { showPieceDone(partFrom_ + share * partSpan_); },
         [this](const QString& description) {
             observer_.message({RunMessage::Kind::VoiceUnavailable, description, book_, {}, 0});
         }});
    try {
        show(RunProgress::Stage::Preparing); // the window's [108-110]
        chain_.deployTools(run_);            // [112-134]
        books();
        chain_.removeTools(run_); // [264-266]
        removeTexts(workFolder_);
    } catch (const RunStopped&) {
        clearUpStopped();
        outcome_.stopped = true;
    }
    runInProgress() = {};
    lock_.reset();
    return outcome_;
}

// Two copies of the program must not share the fixed-name working files:
// the run holds a lock file in the working folder from start to end.
bool Run::takeLock()
{
    bool held = false;
    const bool ok = run_.step(107, [&] {
        workFolder_ = WorkingFolder().value();
        if (!IsFolder(workFolder_))
            raise(err::PathNotFound,
                  u"The working folder "_s + workFolder_.text() + u" does not exist."_s);
        lock_ = std::make_unique<QLockFile>(working(u"vellumtone.lock"_s));
        lock_->setStaleLockTime(0); // only a live holder blocks
        if (!lock_->tryLock(0)) {
            if (lock_->error() != QLockFile::LockFailedError)
                raise(err::PermissionDenied,
                      u"Cannot write into the working folder "_s + workFolder_.text() + u'.');
            held = true;
        }
    });
    if (held)
        observer_.message({RunMessage::Kind::Notice, kAnotherRunMessage, {}, {}, 0});
    if (!ok || held) {
        lock_.reset();
        return false;
    }
    runInProgress() = {workFolder_, lock_.get()};
    removeLeftAudio(workFolder_); // no live run holds the folder: they are a dead one's
    return true;
}

void Run::books()
{
    progress_.books = int(jobs_.size()); // [136]
    for (int i = 1; i <= progress_.books; ++i) {
        book(i);
        showBookDone(1);
    }
}

void Run::book(int i)
{
    const BookJob& job = jobs_[i - 1];
    book_.clear();
    run_.step(138, [&] { progress_.activity = 0; });
    run_.step(140, [&] { progress_.book = i; });
    run_.step(142, [&] { DeleteFileQuiet(working(u"output.wav"_s), [this] { yield(); }); });
    progress_.piece = progress_.pieces = 0;
    run_.step(146, [&] { showBookDone(0); });
    run_.step(148, [&] { ++progress_.activity; });
    run_.step(150, [&] { show(); });
    run_.step(152, [&] { yield(); });

    BookResult result;
    run_.step(154, [&] { result.book = book_ = job.book; });
    // A FIFO would be waited on for good, a device read without end.
    if (const QString kind = SpecialFileKind(job.book); !kind.isEmpty()) {
        result.reason = u"the book is "_s + kind + u", not a file"_s;
        observer_.bookStarted(result.book, {}, {});
        unreadable(result);
        return;
    }
    // The book is read once, here, for all that the chain needs of it.
    const EpubBook book(job.book);
    const BookVoice voice = chain_.startBook(job, book);
    result.voice = voice.name;
    result.note = voice.note;
    observer_.bookStarted(result.book, voice.name, voice.note);
    // Where the result goes is settled before the book is read: a folder or
    // a link in its place, or a folder that cannot be written, fails it now.
    const Path resultPlace = PlaceOfThisBook(job.result, job.book, job.splitChapters);
    if (const QString problem = ResultPlaceProblem(resultPlace.text()); !problem.isEmpty()) {
        result.resultPath = resultPlace.text();
        result.reason = problem;
        finished(result);
        return;
    }
    ToolRun converter;
    // An encrypted chapter would be read as noise and spoken for minutes;
    // a book of pictures has nothing to read.
    const bool encrypted = book.readingOrderEncrypted();
    const bool pictures = !encrypted && HoldsOnlyPictures(book);
    if (!encrypted && !pictures)
        run_.step(156, [&] { converter = chain_.readEpubToText(); });
    const QString text = working(u"output.txt"_s);
    // Text left by a converter that failed or crashed may be cut short.
    if (converter.failed() || encrypted || pictures)
        DeleteFileQuiet(text);
    if (run_.test(158, [&] { return encrypted || pictures || !FileExists(text); })) {
        result.reason = encrypted  ? u"the book is encrypted (DRM); it cannot be read aloud"_s
                        : pictures ? OnlyPicturesReason()
                                   : TextFailureReason(result.book, converter);
        unreadable(result);
        return;
    }
    // An earlier run's result of another book of this name stays.
    run_.step(160, [&] { result.resultPath = resultPlace.text(); });
    addNotes(result, {ResultNameNote(job.book, result.resultPath)});
    // The result is made beside its place and takes it only when complete:
    // an older result survives every failure, a link there is never followed.
    std::optional<PartialResult> partial;
    // A book cut into chapters goes into a folder named after it.
    const Path chapterFolder =
        Path(result.resultPath).parent() / StripExtension(Path(result.resultPath).fileName());
    if (const QString place = ResultPlaceProblem(result.resultPath); !place.isEmpty()) {
        result.reason = place;
    } else if (const QString folder =
                   job.splitChapters ? ChapterFolderProblem(chapterFolder) : QString();
               !folder.isEmpty()) {
        result.reason = folder;
    } else {
        RemoveStrayPartials(result.resultPath);
        if (job.splitChapters)
            RemoveStrayPartials(chapterFolder);
        Expected<PartialResult> made = PartialResult::create(result.resultPath);
        if (made)
            partial = *made;
        else
            result.reason = made.error();
    }
    if (!partial) {
        DeleteFileQuiet(text);
        outcome_.books.append(result);
        observer_.bookFinished(result);
        return;
    }
    resultInProgress() = {*partial};
    partial_ = partial->path().text();
    encodeFailure_.clear();
    joinFailure_.clear();
    const bool hadText = HasTextToSpeak(text);
    run_.step(174, [&] { ++progress_.activity; });
    run_.step(176, [&] { show(); });
    run_.step(178, [&] { yield(); });
    const qint32 m = run_.value(180, qint32(0), [&] { return chain_.cutText(text); });
    // Judged on the pieces, after the pronunciation rules changed the text:
    // a book of pictures only, or rules that erase the text, leave silence,
    // which is no audio book. One that would take days is spoken, but the
    // listener is told.
    qint64 textBytes = 0;
    bool hasText = false;
    for (qint32 j = 1; j <= m; ++j) {
        textBytes += QFileInfo(piece(j, ".txt")).size();
        hasText = hasText || HasTextToSpeak(piece(j, ".txt"));
    }
    if (const int hours = SpeakingHours(textBytes, job.rate); hours >= kLongBookHours)
        addNotes(result,
                 {u"its text takes about "_s + QString::number(hours) + u" hours to speak"_s});

    missingPieces_.clear();
    unspoken_.clear();
    progress_.pieces = m;
    // An M4B is encoded piece by piece into the one file: nothing to join.
    const bool wholeBook = job.format == OutputFormat::M4b;
    const bool streamed = chain_.streams();
    if (streamed)
        streamedPieces(m);
    else
        pieces(m, wholeBook);
    progress_.piece = 0;
    run_.step(222, [&] { ++progress_.activity; });
    run_.step(224, [&] { show(); });
    run_.step(226, [&] { yield(); });
    if (m >= 2 && !wholeBook && !streamed) // with no piece at all there is nothing to join
        join(result, m);

    // Success is what this book wrote: every tool ended well (encodeFailure_,
    // joinFailure_) and its audio is not empty.
    result.ok = QFileInfo(partial_).size() > 0 && missingPieces_.isEmpty() && hasText &&
                encodeFailure_.isEmpty() && joinFailure_.isEmpty() && unspoken_.isEmpty();
    if (!result.ok) {
        const QString place = ResultPlaceProblem(result.resultPath);
        if (!hasText)
            result.reason = hadText ? u"the pronunciation rules leave no text to speak"_s
                                    : u"the book has no text to speak (pictures only?)"_s;
        else if (!encodeFailure_.isEmpty())
            result.reason = encodeFailure_;
        else if (!unspoken_.isEmpty())
            result.reason = unspokenReason(m);
        else if (!missingPieces_.isEmpty())
            result.reason =
                u"the audio of some parts is missing: "_s + missingPieces_.join(u", "_s);
        else if (!joinFailure_.isEmpty()) // a join that failed for a reason of its own
            result.reason = joinFailure_;
        else if (!place.isEmpty())
            result.reason = place;
        else
            result.reason = u"no audio file was made"_s;
    }
    if (result.ok) {
        const Expected<QStringList> tagged = chain_.finishResult(partial_);
        if (tagged) {
            addNotes(result, *tagged);
        } else {
            result.ok = false;
            result.reason =
                u"the title, cover and chapters could not be written: "_s + tagged.error();
        }
    }
    if (result.ok && job.splitChapters)
        splitIntoChapters(result, chapterFolder, partial);
    if (result.ok) {
        MarkResultOfBook(partial->path(), job.book);
        if (const Expected<void> placed = partial->commit(); !placed) {
            result.ok = false;
            result.reason = placed.error();
        }
    }
    RemoveUnfinishedResult();
    outcome_.books.append(result);
    observer_.bookFinished(result);
}

// The finished book becomes a folder of a file per chapter, made beside the
// older one and put in its place when complete. A book with fewer than two
// chapters stays one file, and the listener is told.
void Run::splitIntoChapters(BookResult& result, const Path& folder,
                            std::optional<PartialResult>& partial)
{
    Expected<PartialResult> made = PartialResult::createFolder(folder);
    if (!made) {
        result.ok = false;
        result.reason = made.error();
        return;
    }
    resultInProgress().append(*made);
    const Expected<int> split = chain_.splitResult(partial_, made->path().text());
    if (!split || *split == 0) {
        made->discard();
        resultInProgress().removeLast();
        if (split) {
            addNotes(result, {u"its contents give no chapters to cut it at: it is one file"_s});
        } else {
            result.ok = false;
            result.reason = u"the book could not be cut into chapters: "_s + split.error();
        }
        return;
    }
    partial->discard();
    partial = *made;
    result.resultPath = folder.text();
}

// The speech engine reports its failures in the step's error box; here the
// run can only tell whether the working folder ran out of space.
QString Run::unspokenReason(qint32 m) const
{
    constexpr qint64 kNearlyFull = 64 << 20;
    const QString parts = unspoken_.size() == m ? QString()
                                                : u" for parts "_s + unspoken_.join(u", "_s) +
                                                      u" of "_s + QString::number(m);
    const QStorageInfo storage(workFolder_.text());
    if (storage.isValid() && storage.bytesAvailable() < kNearlyFull)
        return u"the working folder "_s + workFolder_.text() +
               u" is full: the speech could not be written"_s + parts;
    return u"the speech could not be made"_s + parts +
           u" (is the espeak-ng voice data installed? is the working folder full?)"_s;
}

// Judges one encoding: a failed or crashed encoder may leave a cut-short MP3,
// which must neither be joined nor be taken for a result.
void Run::encoded(const QString& target, bool isResult, const Expected<void>& encoding)
{
    if (encoding)
        return;
    if (encodeFailure_.isEmpty())
        encodeFailure_ = encoding.error();
    if (!isResult)
        DeleteFileQuiet(target);
}

void Run::pieces(qint32 m, bool wholeBook)
{
    const auto yielding = [this] { yield(); };
    for (qint32 j = 1; j <= m; ++j) {
        const QString wav = piece(j, ".wav");
        progress_.piece = j;
        run_.step(184, [&] { ++progress_.activity; });
        run_.step(186, [&] { show(); });
        run_.step(188, [&] { yield(); });
        run_.step(190, [&] { DeleteFileQuiet(wav, yielding); });
        run_.step(192, [&] { yield(); });
        // [194-196] The window's timer runs while the piece is spoken.
        run_.step(196, [&] { show(RunProgress::Stage::Speaking); });
        run_.step(198, [&] { yield(); });
        partFrom_ = 0;
        partSpan_ = kSpeakingShare;
        run_.step(200, [&] { chain_.saveToWav(piece(j, ".txt"), wav); });
        run_.step(202, [&] { show(); });
        showPieceDone(kSpeakingShare);
        partFrom_ = kSpeakingShare;
        partSpan_ = 1 - kSpeakingShare;
        if (run_.test(204, [&] { return FileExists(wav); })) {
            run_.step(206, [&] { ++progress_.activity; });
            run_.step(208, [&] { show(); });
            run_.step(210, [&] { yield(); });
            Expected<void> encoding;
            if (run_.test(212, [&] { return m == 1 || wholeBook; })) {
                run_.step(214, [&] { encoding = chain_.encodePiece(wav, partial_); });
                encoded(partial_, true, encoding);
            } else {
                run_.step(216, [&] { encoding = chain_.encodePiece(wav, piece(j, ".mp3")); });
                encoded(piece(j, ".mp3"), false, encoding);
            }
            run_.step(218, [&] { DeleteFileQuiet(wav, yielding); });
        } else {
            unspoken_.append(QString::number(j));
        }
        showPieceDone(1);
    }
}

// Every piece is spoken straight into the book's encoders, which work on
// every core while the speaking goes on: no WAV file, no join.
void Run::streamedPieces(qint32 m)
{
    for (qint32 j = 1; j <= m; ++j) {
        progress_.piece = j;
        run_.step(184, [&] { ++progress_.activity; });
        run_.step(186, [&] { show(); });
        run_.step(188, [&] { yield(); });
        run_.step(196, [&] { show(RunProgress::Stage::Speaking); });
        run_.step(198, [&] { yield(); });
        partFrom_ = 0;
        partSpan_ = 1;
        bool spoken = false;
        run_.step(200, [&] { spoken = chain_.speakPiece(piece(j, ".txt"), partial_); });
        run_.step(202, [&] { show(); });
        if (!spoken)
            unspoken_.append(QString::number(j));
        showPieceDone(1);
    }
    Expected<void> encoding;
    run_.step(214, [&] { encoding = chain_.finishPieces(); });
    encoded(partial_, true, encoding);
}

void Run::join(BookResult& result, qint32 m)
{
    const QString script = working(u"JoinMP3.sh"_s);
    QStringList parts;
    run_.step(232, [&] { ++progress_.activity; });
    run_.step(234, [&] { show(); });
    run_.step(236, [&] { yield(); });
    run_.step(238, [&] {
        for (qint32 j = 1; j <= m; ++j) {
            parts.append(piece(j, ".mp3"));
            if (!FileExists(parts.last()))
                missingPieces_.append(QString::number(j));
        }
    });
    run_.step(248, [&] { WriteTextFile(JoinScriptLine(parts, partial_), script).value(); });
    ToolRun joined;
    run_.step(250, [&] {
        // The bar creeps on during a long join, but not to the end of the book.
        JoinCreep creep(RoundHalfEven(progress_.percent), progress_.books,
                        BookProgress(progress_.book, progress_.books, 1 - kJoinShare / 2));
        qint64 bytes = 0;
        for (const QString& part : parts)
            bytes += QFileInfo(part).size();
        joined = RunAndWait(
            Command{u"/bin/sh"_s, {script}}, 0,
            [&](const QByteArray&) {
                creep.pass(progress_);
                show(RunProgress::Stage::Joining);
                yield();
            },
            ToolTimeLimitMs(bytes, 5, 100 << 20));
        progress_.waited = -1;
    });
    if (joined.failed())
        joinFailure_ = JoinFailureReason(result.resultPath, joined);
    run_.step(251, [&] { FixJoinedMp3(partial_); }); // one book of the whole length
    run_.step(252, [&] { DeleteFileQuiet(script, [this] { yield(); }); });
    for (const QString& part : parts)
        run_.step(254, [&] { DeleteFileQuiet(part, [this] { yield(); }); });
    show();
}

// A stop ends the run where it is: the tool it waited for is ended already,
// the result its book had begun goes, and so do the working files.
void Run::clearUpStopped()
{
    EndRunningTool();
    RemoveUnfinishedResult();
    removeWorkingFiles(workFolder_);
}

void Run::reportFailure(const StepFailure& failure)
{
    observer_.message({RunMessage::Kind::StepFailure, failure.description, book_, failure.location,
                       failure.line});
}

void Run::show(RunProgress::Stage stage)
{
    progress_.stage = stage;
    observer_.progress(progress_);
}

void Run::yield()
{
    if (observer_.stopRequested())
        throw RunStopped{};
}

void Run::showBookDone(double done)
{
    progress_.percent = BookProgress(progress_.book, progress_.books, done);
    observer_.progress(progress_);
}

void Run::showPieceDone(double pieceDone)
{
    const qint32 m = progress_.pieces;
    const double pieces = m >= 2 ? 1 - kJoinShare : 1;
    showBookDone((progress_.piece - 1 + pieceDone) / m * pieces);
}

} // namespace

RunOutcome ConvertBooks(const QList<BookJob>& jobs, RunObserver& observer, Chain& chain)
{
    return Run(jobs, observer, chain).go();
}

QString RunSummary(const RunOutcome& outcome)
{
    QString text = u"Done."_s;
    bool first = true;
    for (const BookResult& result : outcome.books) {
        if (result.ok)
            continue;
        if (first)
            text += u"\n\nThese books could not be converted completely:"_s;
        first = false;
        text += u'\n' + result.book + u": "_s + result.reason;
    }
    QStringList notes;
    for (const BookResult& result : outcome.books)
        if (!result.note.isEmpty())
            notes.append(result.book + u": "_s + result.note);
    if (!notes.isEmpty())
        text += u"\n\n"_s + notes.join(u'\n');
    return text;
}

// The book in progress makes its result in a file of its own beside it:
// that file goes; the result's place is not touched.
void RemoveUnfinishedResult()
{
    for (const PartialResult& partial : resultInProgress())
        partial.discard();
    resultInProgress().clear();
}

void AbandonRun()
{
    EndRunningTool();
    RemoveUnfinishedResult();
    RunInProgress& run = runInProgress();
    if (!run.lock)
        return;
    removeWorkingFiles(run.folder);
    run.lock->unlock();
    run = {};
}

QString JoinScriptLine(const QStringList& pieces, const QString& resultPath)
{
    QString line = u"cat"_s;
    for (const QString& piece : pieces)
        line += u' ' + shellQuoted(piece);
    return line + u" > "_s + shellQuoted(resultPath);
}

} // namespace vt
