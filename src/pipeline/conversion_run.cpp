#include "pipeline/conversion_run.h"

#include "audio/joined_mp3.h"
#include "common/build_config.h"
#include "common/error_report.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/settings.h"
#include "common/window_ports.h"
#include "common/working_folder.h"
#include "pipeline/chain.h"
#include "pipeline/failure_reasons.h"
#include "pipeline/progress.h"
#include "tools/command_runner.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRegularExpression>
#include <QStorageInfo>
#include <memory>
#include <sys/stat.h>

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

QString ResultPath(const QString& bookPath, bool option1, bool option2, const QString& text1)
{
    const QString name = StripExtension(GetFileName(bookPath));
    QString result = GetShortPath(GetFolderPart(bookPath)) + u'/' + name + u".mp3"_s;
    if (option1)
        result = text1 + u'/' + name + u".mp3"_s;
    else if (option2)
        result = GetFolderPart(bookPath) + u'/' + name + u".mp3"_s;
    return CollapseBackslashes(result);
}

namespace
{

QString shellQuoted(const QString& path)
{
    QString quoted = path;
    return u'\'' + quoted.replace(u"'"_s, u"'\\''"_s) + u'\'';
}

const QString kUnrecognisedFormat =
    u"Error #213042: Unrecognized EPUB format.\n\n"
    u"Software cannot operate with iTunes EPUB files for example.\n\n"
    u"Please email "_s +
    QStringLiteral(VT_SUPPORT_EMAIL) +
    u" with a screenshot of this message if you have any questions."_s;

// What a file is: a result is this book's when the book left it different
// from how it found it. The file's own times are compared with each other,
// never with this machine's clock, which a file server's clock may lag.
struct FileStamp {
    bool exists = false;
    bool regular = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modified = 0; // nanoseconds
    qint64 changed = 0;

    static FileStamp of(const QString& path)
    {
        struct stat st {
        };
        if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
            return {};
        const auto ns = [](const timespec& t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; };
        return {true,       S_ISREG(st.st_mode), st.st_dev,     st.st_ino,
                st.st_size, ns(st.st_mtim),      ns(st.st_ctim)};
    }
    bool operator==(const FileStamp&) const = default;
};

// The result file of the book in progress, and how it was before the book.
struct ResultInProgress {
    QString path;
    FileStamp before;
};

ResultInProgress& resultInProgress()
{
    static ResultInProgress result;
    return result;
}

// How the bar divides a book: its pieces share it equally, except that the
// join of several pieces takes the last part.
constexpr double kJoinShare = 0.02;

// The working folder and lock of the run in progress in this process, so
// that ending the program mid-run can clear up after it.
struct RunInProgress {
    QString folder;
    QLockFile* lock = nullptr;
};

RunInProgress& runInProgress()
{
    static RunInProgress run;
    return run;
}

// Every working file a run makes: texts, audio, script, tools, the cleaned
// copy of the book the converter reads.
void removeWorkingFiles(const QString& folder)
{
    static const QRegularExpression piece(u"^output(\\d{3,})?\\.(txt|wav|mp3)$"_s);
    const QDir dir(folder);
    for (const QString& name : dir.entryList({u"output*"_s}, QDir::Files | QDir::Hidden))
        if (piece.match(name).hasMatch())
            DeleteFileQuiet(dir.filePath(name));
    for (const QString& name : {u"JoinMP3.sh"_s, u"calibre.zip"_s, u"lame"_s, u"spoken.epub"_s})
        DeleteFileQuiet(dir.filePath(name));
    try {
        DeleteFolderTree(dir.filePath(u"calibre"_s));
    } catch (...) {
        // A tool folder that cannot be listed stays; the next run unpacks over it.
    }
}

// One run over the book list; the members are the run's state.
class Run
{
  public:
    Run(WindowPort& window, Chain& chain)
        : w_(window), chain_(chain), run_(window, u"Form1.PushButton1_Click"_s)
    {
    }

    RunOutcome go();

  private:
    bool refused();
    bool takeLock();
    void book(int i, int n);
    void pieces(BookResult& result, qint32 m);
    void encoded(const QString& mp3, bool isResult);
    QString unspokenReason(qint32 m) const;
    void join(BookResult& result, qint32 m);
    void showBookDone(double done);
    void showPieceDone(qint32 j, qint32 m, double pieceDone);
    QString summary() const;
    QString working(const QString& name) const { return workFolder_ + u'/' + name; }
    QString piece(qint32 j, const char* extension) const
    {
        return working(u"output"_s + PieceNumber(j) + QLatin1String(extension));
    }

    WindowPort& w_;
    Chain& chain_;
    StepGuard run_;
    QString workFolder_;
    std::unique_ptr<QLockFile> lock_;
    RunOutcome outcome_;
    QStringList missingPieces_;
    QStringList unspoken_;  // pieces the speech engine left no WAV for
    QString encodeFailure_; // why the encoder failed first in this book
    int book_ = 0;          // the book in progress, of books_
    int books_ = 0;
    QString joinFailure_; // why the join of this book's pieces failed
};

RunOutcome Run::go()
{
    if (w_.busy()) // [100]
        return outcome_;
    run_.step(102, [&] { w_.setBusy(true); });
    if (!refused() && takeLock()) {
        outcome_.started = true;
        run_.step(108, [&] { w_.setPointer(Pointer::Hourglass); });
        run_.step(110, [&] { w_.setProgressCaption(kDeployCaption); });
        chain_.deployTools(run_); // [112-134]
        const int n = run_.value(136, 0, [&] { return w_.rowCount(); });
        for (int i = 1; i <= n; ++i) {
            book(i, n);
            showBookDone(1);
        }
        chain_.removeTools(run_); // [264-266]
        run_.step(268, [&] { w_.setPointer(Pointer::Default); });
        run_.step(270, [&] { w_.setProgressValue(0); });
        run_.step(272, [&] { w_.setProgressCaption(kIdleCaption); });
        runInProgress() = {};
        lock_.reset();
        run_.step(280, [&] {
            w_.showMessage(summary(), Buttons::Ok,
                           outcome_.failedBooks().isEmpty() ? Icon::None : Icon::Warning);
        });
    }
    run_.step(286, [&] { w_.setBusy(false); });
    return outcome_;
}

bool Run::refused()
{
    if (run_.test(104, [&] { return w_.rowCount() == 0; })) {
        w_.showMessage(u"No files added."_s);
        return true;
    }
    if (run_.test(106, [&] { return !(IsFolder(w_.text1()) || w_.option2()); })) {
        w_.showMessage(u"Folder does not exist. Please select another folder."_s);
        return true;
    }
    return false;
}

// Two copies of the program must not share the fixed-name working files:
// the run holds a lock file in the working folder from start to end.
bool Run::takeLock()
{
    bool held = false;
    const bool ok = run_.step(107, [&] {
        workFolder_ = WorkingFolder();
        if (!IsFolder(workFolder_))
            raise(err::PathNotFound,
                  u"The working folder "_s + workFolder_ + u" does not exist."_s);
        lock_ = std::make_unique<QLockFile>(working(u"vellumtone.lock"_s));
        lock_->setStaleLockTime(0); // only a live holder blocks
        if (!lock_->tryLock(0)) {
            if (lock_->error() != QLockFile::LockFailedError)
                raise(err::PermissionDenied,
                      u"Cannot write into the working folder "_s + workFolder_ + u'.');
            held = true;
        }
    });
    if (held)
        w_.showMessage(kAnotherRunMessage);
    if (!ok || held)
        lock_.reset();
    else
        runInProgress() = {workFolder_, lock_.get()};
    return ok && !held;
}

void Run::book(int i, int n)
{
    run_.step(138, [&] { ActivityCounter = 0; });
    run_.step(140, [&] { CurrentBook = i; });
    run_.step(142, [&] { DeleteFileQuiet(working(u"output.wav"_s), &w_); });
    run_.step(144, [&] { w_.setPointer(Pointer::Hourglass); });
    book_ = i;
    books_ = n;
    run_.step(146, [&] { showBookDone(0); });
    run_.step(148, [&] { ++ActivityCounter; });
    run_.step(150, [&] { ShowProcessingText(w_); });
    run_.step(152, [&] { w_.yieldOnce(); });

    BookResult result;
    run_.step(154, [&] { result.book = w_.rowText(i); });
    const BookVoice voice = chain_.chooseVoice(result.book);
    result.voice = voice.name;
    result.note = voice.note;
    w_.showBookVoice(result.book, voice.name, voice.note);
    ForgetLastTool();
    run_.step(156, [&] { chain_.readEpubToText(result.book); });
    const ToolEnding converter = LastToolEnding();
    const QByteArray converterOutput = LastToolOutput();
    const QString text = working(u"output.txt"_s);
    // Text left by a converter that failed or crashed may be cut short.
    if (converter.failed())
        DeleteFileQuiet(text);
    if (run_.test(158, [&] { return !FileExists(text); })) {
        run_.step(260, [&] { w_.showMessage(kUnrecognisedFormat); });
        result.reason = TextFailureReason(result.book, converterOutput, converter);
        outcome_.books.append(result);
        return;
    }
    run_.step(160, [&] {
        result.resultPath = ResultPath(result.book, w_.option1(), w_.option2(), w_.text1());
    });
    // Only a result this book writes counts for it.
    const FileStamp before = FileStamp::of(result.resultPath);
    resultInProgress() = {result.resultPath, before};
    encodeFailure_.clear();
    joinFailure_.clear();
    // A book of pictures only gives an empty text: silence is no audio book.
    const bool hasText = HasTextToSpeak(text);
    run_.step(174, [&] { ++ActivityCounter; });
    run_.step(176, [&] { ShowProcessingText(w_); });
    run_.step(178, [&] { w_.yieldOnce(); });
    const qint32 m = run_.value(180, qint32(0), [&] { return chain_.cutText(text); });

    missingPieces_.clear();
    unspoken_.clear();
    pieces(result, m);
    run_.step(222, [&] { ++ActivityCounter; });
    run_.step(224, [&] { ShowProcessingText(w_); });
    run_.step(226, [&] { w_.yieldOnce(); });
    if (m >= 2) // with no piece at all there is nothing to join
        join(result, m);

    // Success is what this book wrote: every tool ended well (encodeFailure_,
    // joinFailure_) and the result is a new or rewritten, non-empty file.
    const FileStamp after = FileStamp::of(result.resultPath);
    result.ok = after.regular && after.size > 0 && after != before && missingPieces_.isEmpty() &&
                hasText && encodeFailure_.isEmpty() && joinFailure_.isEmpty() &&
                unspoken_.isEmpty();
    if (!result.ok && result.reason.isEmpty()) {
        const QString place =
            result.resultPath.isEmpty() ? QString() : ResultPlaceProblem(result.resultPath);
        if (!hasText)
            result.reason = u"the book has no text to speak (pictures only?)"_s;
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
    // Tags are a courtesy: their writing never makes a book fail.
    if (result.ok && w_.check1())
        chain_.tagResult(result.book, result.resultPath);
    if (!result.ok)
        RemoveUnfinishedResult();
    resultInProgress() = {};
    outcome_.books.append(result);
}

// The speech engine reports its failures in the step's error box; here the
// run can only tell whether the working folder ran out of space.
QString Run::unspokenReason(qint32 m) const
{
    constexpr qint64 kNearlyFull = 64 << 20;
    const QString parts = unspoken_.size() == m ? QString()
                                                : u" for parts "_s + unspoken_.join(u", "_s) +
                                                      u" of "_s + QString::number(m);
    const QStorageInfo storage(workFolder_);
    if (storage.isValid() && storage.bytesAvailable() < kNearlyFull)
        return u"the working folder "_s + workFolder_ +
               u" is full: the speech could not be written"_s + parts;
    return u"the speech could not be made"_s + parts +
           u" (is the espeak-ng voice data installed? is the working folder full?)"_s;
}

// Judges one encoding: a failed or crashed encoder may leave a cut-short MP3,
// which must neither be joined nor be taken for a result.
void Run::encoded(const QString& mp3, bool isResult)
{
    const ToolEnding ending = LastToolEnding();
    if (!ending.failed())
        return;
    if (encodeFailure_.isEmpty())
        encodeFailure_ = EncodeFailureReason(mp3, LastToolOutput(), ending);
    if (!isResult)
        DeleteFileQuiet(mp3);
}

void Run::pieces(BookResult& result, qint32 m)
{
    for (qint32 j = 1; j <= m; ++j) {
        const QString wav = piece(j, ".wav");
        run_.step(184, [&] { ++ActivityCounter; });
        run_.step(186, [&] { ShowProcessingText(w_); });
        run_.step(188, [&] { w_.yieldOnce(); });
        run_.step(190, [&] { DeleteFileQuiet(wav, &w_); });
        run_.step(192, [&] { w_.yieldOnce(); });
        run_.step(194, [&] { w_.setTimerInterval(1000); });
        run_.step(196, [&] { w_.setTimerEnabled(true); });
        run_.step(198, [&] { w_.yieldOnce(); });
        chain_.tellProgressTo([&](double spoken) { showPieceDone(j, m, spoken * kSpeakingShare); });
        run_.step(200, [&] { chain_.saveToWav(piece(j, ".txt"), wav); });
        run_.step(202, [&] { w_.setTimerEnabled(false); });
        showPieceDone(j, m, kSpeakingShare);
        chain_.tellProgressTo([&](double encoded) {
            showPieceDone(j, m, kSpeakingShare + encoded * (1 - kSpeakingShare));
        });
        if (run_.test(204, [&] { return FileExists(wav); })) {
            run_.step(206, [&] { ++ActivityCounter; });
            run_.step(208, [&] { ShowProcessingText(w_); });
            run_.step(210, [&] { w_.yieldOnce(); });
            ForgetLastTool();
            if (run_.test(212, [&] { return m == 1; })) {
                run_.step(214, [&] { chain_.wavToMp3(wav, result.resultPath); });
                encoded(result.resultPath, true);
            } else {
                run_.step(216, [&] { chain_.wavToMp3(wav, piece(j, ".mp3")); });
                encoded(piece(j, ".mp3"), false);
            }
            run_.step(218, [&] { DeleteFileQuiet(wav, &w_); });
        } else {
            unspoken_.append(QString::number(j));
        }
        showPieceDone(j, m, 1);
    }
    chain_.tellProgressTo({});
}

void Run::showBookDone(double done)
{
    w_.setProgressValue(BookProgress(book_, books_, done));
}

void Run::showPieceDone(qint32 j, qint32 m, double pieceDone)
{
    const double pieces = m >= 2 ? 1 - kJoinShare : 1;
    showBookDone((j - 1 + pieceDone) / m * pieces);
}

void Run::join(BookResult& result, qint32 m)
{
    const QString script = working(u"JoinMP3.sh"_s);
    QStringList parts;
    run_.step(232, [&] { ++ActivityCounter; });
    run_.step(234, [&] { ShowProcessingText(w_); });
    run_.step(236, [&] { w_.yieldOnce(); });
    run_.step(238, [&] {
        for (qint32 j = 1; j <= m; ++j) {
            parts.append(piece(j, ".mp3"));
            if (!FileExists(parts.last()))
                missingPieces_.append(QString::number(j));
        }
    });
    run_.step(248, [&] { WriteTextFile(JoinScriptLine(parts, result.resultPath), script); });
    ForgetLastTool();
    run_.step(250, [&] {
        // The bar creeps on during a long join, but not to the end of the book.
        CappedBar bar(w_, BookProgress(book_, books_, 1 - kJoinShare / 2));
        RunAndWaitWithProgress(w_, Command{u"/bin/sh"_s, {script}}, 0, &bar, w_.progressCaption(),
                               RoundHalfEven(w_.progressValue()), w_.rowCount());
    });
    if (const ToolEnding ending = LastToolEnding(); ending.failed())
        joinFailure_ = JoinFailureReason(result.resultPath, LastToolOutput(), ending);
    run_.step(251, [&] { FixJoinedMp3(result.resultPath); }); // one book of the whole length
    run_.step(252, [&] { DeleteFileQuiet(script, &w_); });
    for (const QString& part : parts)
        run_.step(254, [&] { DeleteFileQuiet(part, &w_); });
}

// Each failed book on a line of its own with the reason, as the batch
// converter prints them.
QString Run::summary() const
{
    QString text = u"Done."_s;
    bool first = true;
    for (const BookResult& result : outcome_.books) {
        if (result.ok)
            continue;
        if (first)
            text += u"\n\nThese books could not be converted completely:"_s;
        first = false;
        text += u'\n' + result.book + u": "_s + result.reason;
    }
    QStringList notes;
    for (const BookResult& result : outcome_.books)
        if (!result.note.isEmpty())
            notes.append(result.book + u": "_s + result.note);
    if (!notes.isEmpty())
        text += u"\n\n"_s + notes.join(u'\n');
    return text;
}

} // namespace

// A result that the book in progress wrote would look complete though the
// book failed or was cut short: it goes. A file the book did not touch
// stays, whatever it holds.
void RemoveUnfinishedResult()
{
    const ResultInProgress& result = resultInProgress();
    if (result.path.isEmpty())
        return;
    const FileStamp now = FileStamp::of(result.path);
    if (now.regular && now != result.before)
        DeleteFileQuiet(result.path);
    resultInProgress() = {};
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

RunOutcome PushButton1_Click(WindowPort& window, Chain& chain)
{
    return Run(window, chain).go();
}

} // namespace vt
