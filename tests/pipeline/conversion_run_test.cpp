#include "common/files.h"
#include "fake_window.h"
#include "pipeline/conversion_run.h"
#include "pipeline/progress.h"
#include "recording_observer.h"
#include "scripted_chain.h"
#include "test_env.h"

#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

using Stage = RunProgress::Stage;

class Run : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        settings.folder = out.path();
        books = QDir(booksDir.path());
    }
    QString book(const QString& name)
    {
        const QString path = books.filePath(name);
        test::writeFile(path, "epub");
        return path;
    }
    QString result(const QString& name) const { return out.path() + u'/' + name; }
    RunOutcome run(const QStringList& list)
    {
        rows = list;
        return ConvertBooks(MakeJobs(list, settings), observer, chain);
    }

    test::TempWorkingFolder temp;
    QTemporaryDir out;
    QTemporaryDir booksDir;
    QDir books;
    JobSettings settings;
    QStringList rows;
    test::RecordingObserver observer;
    test::ScriptedChain chain;
};

} // namespace

// The result is made in a hidden file beside its place, which takes the
// place once the book is complete.
TEST_F(Run, OnePieceIsEncodedStraightIntoTheResultsPlace)
{
    const RunOutcome outcome = run({book(u"a.epub"_s)});
    ASSERT_EQ(chain.encodedTo.size(), 1);
    EXPECT_TRUE(chain.encodedTo[0].startsWith(out.path() + u"/.a.mp3."_s));
    EXPECT_TRUE(chain.encodedTo[0].endsWith(u".part"_s));
    EXPECT_EQ(test::readFile(result(u"a.mp3"_s)), "[piece 1]");
    EXPECT_EQ(test::entries(out.path()), QStringList{u"a.mp3"_s});
    EXPECT_EQ(chain.calls, (QStringList{u"deploy"_s, u"read "_s + rows[0], u"cut"_s, u"remove"_s}));
    // Texts, WAVs, MP3 pieces, script and lock: nothing of the run is left.
    EXPECT_EQ(test::entries(temp.path()), QStringList());
    EXPECT_TRUE(observer.messages.isEmpty());
    ASSERT_EQ(outcome.books.size(), 1);
    EXPECT_TRUE(outcome.books[0].ok);
    EXPECT_EQ(RunSummary(outcome), u"Done."_s);
    EXPECT_EQ(observer.finished.size(), 1);
    EXPECT_EQ(observer.last.stage, Stage::Working);
}

TEST_F(Run, TwelvePiecesAreJoinedInOrder)
{
    chain.pieceCount = 12;
    run({book(u"a.epub"_s)});
    QByteArray expected;
    for (int j = 1; j <= 12; ++j)
        expected += "[piece " + QByteArray::number(j) + "]";
    EXPECT_EQ(test::readFile(result(u"a.mp3"_s)), expected);
    EXPECT_EQ(chain.encodedTo.first(), temp.file(u"output001.mp3"_s));
    EXPECT_EQ(chain.encodedTo.last(), temp.file(u"output012.mp3"_s));
    EXPECT_FALSE(FileExists(temp.file(u"JoinMP3.sh"_s)));
    EXPECT_FALSE(FileExists(temp.file(u"output012.mp3"_s)));
    EXPECT_TRUE(observer.messages.isEmpty());
    EXPECT_EQ(JoinScriptLine({u"/w/output001.mp3"_s, u"/w/output002.mp3"_s}, u"/o/it's.mp3"_s),
              u"cat '/w/output001.mp3' '/w/output002.mp3' > '/o/it'\\''s.mp3'"_s);
}

TEST_F(Run, Piece1000IsNamedInFull)
{
    chain.pieceCount = 1000;
    run({book(u"a.epub"_s)});
    EXPECT_EQ(chain.spoken.at(998), u"output999.txt"_s);
    EXPECT_EQ(chain.spoken.last(), u"output1000.txt"_s);
    EXPECT_TRUE(test::readFile(result(u"a.mp3"_s)).endsWith("[piece 1000]"));
}

TEST_F(Run, ResultPathsFollowTheOutputOptions)
{
    EXPECT_EQ(ResultPath(u"/b/a.epub"_s, true, false, u"/audio"_s), u"/audio/a.mp3"_s);
    EXPECT_EQ(ResultPath(u"/b/a.epub"_s, true, false, u"/audio/"_s), u"/audio/a.mp3"_s);
    EXPECT_EQ(ResultPath(u"/b/My.Book.epub"_s, false, true, u"/audio"_s), u"/b/My.Book.mp3"_s);
    EXPECT_EQ(ResultPath(u"/b/a.epub"_s, true, true, u"/audio"_s), u"/audio/a.mp3"_s);
    // Neither option: beside the book when its folder exists.
    EXPECT_EQ(ResultPath(u"/tmp/a.epub"_s, false, false, u"/audio"_s), u"/tmp/a.mp3"_s);
}

// The run takes one snapshot: each book keeps the voice, volume, speed and
// result place it was given, and the book is opened once for the chain.
TEST_F(Run, EachBookIsConvertedAsItsJobSays)
{
    settings.volume = 40;
    QList<BookJob> jobs = MakeJobs({book(u"a.epub"_s), book(u"b.epub"_s)}, settings);
    jobs[1].result = books.filePath(u"elsewhere.mp3"_s);
    const RunOutcome outcome = ConvertBooks(jobs, observer, chain);
    EXPECT_TRUE(FileExists(result(u"a.mp3"_s)));
    EXPECT_TRUE(FileExists(books.filePath(u"elsewhere.mp3"_s)));
    EXPECT_EQ(chain.opened.size(), 2);
    EXPECT_EQ(observer.started,
              (QStringList{jobs[0].book + u": chosen"_s, jobs[1].book + u": chosen"_s}));
    EXPECT_EQ(outcome.books[1].resultPath, jobs[1].result);
}

TEST_F(Run, ABookWithoutTextIsReportedAndTheRunGoesOn)
{
    const RunOutcome outcome =
        run({book(u"notext.epub"_s), book(u"b.epub"_s), book(u"notext2.epub"_s)});
    ASSERT_EQ(observer.messages.size(), 2);
    EXPECT_EQ(observer.messages[0].kind, RunMessage::Kind::UnreadableBook);
    EXPECT_EQ(observer.messages[0].book, rows[0]);
    EXPECT_EQ(observer.messages[0].text, u"calibre could not read the book"_s);
    EXPECT_TRUE(FileExists(result(u"b.mp3"_s)));
    // Each failed book on its own line, with why.
    EXPECT_EQ(RunSummary(outcome), u"Done.\n\nThese books could not be converted completely:\n"_s +
                                       rows[0] + u": calibre could not read the book\n"_s +
                                       rows[2] + u": calibre could not read the book"_s);
    EXPECT_EQ(outcome.failedBooks(), (QStringList{rows[0], rows[2]}));
}

// A book in a language no voice speaks is still spoken, and the summary says so.
TEST_F(Run, TheSummaryNamesABookSpokenWithoutAVoiceForItsLanguage)
{
    const QString note = u"no voice for Hebrew; spoken with English"_s;
    chain.voices[u"he.epub"_s] = {std::nullopt, u"English"_s, note};
    const RunOutcome outcome = run({book(u"he.epub"_s), book(u"b.epub"_s)});
    ASSERT_EQ(outcome.books.size(), 2);
    EXPECT_TRUE(outcome.books[0].ok);
    EXPECT_EQ(outcome.books[0].note, note);
    EXPECT_EQ(observer.started[0], rows[0] + u": English ("_s + note + u')');
    EXPECT_EQ(RunSummary(outcome), u"Done.\n\n"_s + rows[0] + u": "_s + note);

    // A text of days (one line of 20 MB without a blank, say) is spoken, with a note.
    chain.bookText = QByteArray(63000 * 60, 'x');
    EXPECT_EQ(run({book(u"long.epub"_s)}).books[0].note,
              u"its text takes about 60 hours to speak"_s);
}

TEST_F(Run, TheBarMovesWithinEachBookAndIsFullOnlyWhenTheLastIsDone)
{
    chain.pieceCount = 2;
    run({book(u"a.epub"_s), book(u"b.epub"_s)});
    const QList<double> v = observer.percents();
    ASSERT_GE(v.size(), 3);
    EXPECT_EQ(v.first(), 0); // book 1 of 2 starts at 0, book 2 at 50
    EXPECT_TRUE(v.contains(50));
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
    EXPECT_EQ(v.last(), 100);
    for (const RunProgress& p : observer.progresses) // 100 only once the last book is done
        EXPECT_TRUE(p.percent < 100 || (p.book == 2 && p.piece == 0)) << p.piece;
    // Each of the two pieces moves it as it is spoken and encoded.
    EXPECT_GE(std::count_if(v.begin(), v.end(), [](double x) { return x > 0 && x < 50; }), 8);
    EXPECT_EQ(observer.progresses.first().stage, Stage::Preparing);
    // Each book counts its steps from 0 again.
    const auto second = std::find_if(observer.progresses.begin(), observer.progresses.end(),
                                     [](const RunProgress& p) { return p.book == 2; });
    ASSERT_NE(second, observer.progresses.end());
    EXPECT_EQ(second->books, 2);
    EXPECT_LE(second->activity, 1);
}

TEST_F(Run, BooksWithMissingAudioAreListedAsFailed)
{
    chain.pieceCount = 3;
    chain.silentPieces = {u"output002.txt"_s};
    const RunOutcome outcome = run({book(u"a.epub"_s)});
    ASSERT_EQ(outcome.books.size(), 1);
    EXPECT_FALSE(outcome.books[0].ok);
    EXPECT_TRUE(outcome.books[0].reason.contains(u"parts 2 of 3"_s))
        << outcome.books[0].reason.toStdString();
    EXPECT_EQ(RunSummary(outcome), u"Done.\n\nThese books could not be converted completely:\n"_s +
                                       rows[0] + u": "_s + outcome.books[0].reason);

    // A stale result of an earlier run does not count as this run's result.
    chain.silentPieces = {u"output001.txt"_s};
    chain.pieceCount = 1;
    test::writeFile(result(u"a.mp3"_s), "old");
    QFile old(result(u"a.mp3"_s));
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    old.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime);
    old.close();
    EXPECT_EQ(run(rows).failedBooks(), QStringList{rows[0]});
}

TEST_F(Run, OnlyFinishedBooksAreTaggedAndOnlyWhenAsked)
{
    chain.pieceCount = 2;
    run({book(u"a.epub"_s), book(u"notext.epub"_s), book(u"b.epub"_s)});
    ASSERT_EQ(chain.tagged.size(), 2);
    EXPECT_TRUE(chain.tagged[0].startsWith(u"a.epub -> "_s + out.path() + u"/.a.mp3."_s));
    EXPECT_TRUE(chain.tagged[1].startsWith(u"b.epub -> "_s + out.path() + u"/.b.mp3."_s));

    chain.tagged.clear();
    chain.silentPieces = {u"output002.txt"_s}; // a book with a piece missing fails
    run({book(u"c.epub"_s)});
    EXPECT_TRUE(chain.tagged.isEmpty());

    chain.silentPieces = {};
    settings.tags = false;
    run(rows);
    EXPECT_TRUE(chain.tagged.isEmpty());
}

TEST_F(Run, SpeakingIsToldWhileAPieceIsSpokenAndStaleWavsNeverPassForAudio)
{
    chain.pieceCount = 2;
    chain.silentPieces = {u"output002.txt"_s};
    // Left by a run that ended early.
    test::writeFile(temp.file(u"output.wav"_s), "stale");
    test::writeFile(temp.file(u"output002.wav"_s), "stale");
    QList<Stage> whileSpeaking;
    chain.onSpeak = [&] { whileSpeaking << observer.last.stage; };
    const RunOutcome outcome = run({book(u"a.epub"_s)});
    EXPECT_EQ(whileSpeaking, (QList<Stage>{Stage::Speaking, Stage::Speaking}));
    EXPECT_EQ(std::count_if(observer.progresses.begin(), observer.progresses.end(),
                            [](const RunProgress& p) { return p.stage == Stage::Speaking; }),
              4); // the start of each piece and its halfway mark
    EXPECT_FALSE(FileExists(temp.file(u"output.wav"_s)));
    // The piece that was not spoken is missing, not replaced by the old WAV.
    EXPECT_EQ(chain.encodedTo, QStringList{temp.file(u"output001.mp3"_s)});
    ASSERT_EQ(outcome.books.size(), 1);
    EXPECT_FALSE(outcome.books[0].ok);
}

TEST_F(Run, ALiveRunInTheSameWorkingFolderBlocksASecondOne)
{
    QLockFile held(temp.file(u"vellumtone.lock"_s));
    ASSERT_TRUE(held.tryLock(0));
    EXPECT_FALSE(run({book(u"a.epub"_s)}).started);
    EXPECT_EQ(observer.messageTexts(), QStringList{kAnotherRunMessage});
    EXPECT_EQ(observer.messages[0].kind, RunMessage::Kind::Notice);
    EXPECT_TRUE(chain.calls.isEmpty());
    EXPECT_TRUE(observer.progresses.isEmpty());

    // A lock left by a process that has ended does not block: the held
    // lock's own content with the pid of a process that is gone.
    QByteArray content = test::readFile(temp.file(u"vellumtone.lock"_s));
    held.unlock();
    QProcess dead;
    dead.start(u"/bin/sh"_s, {u"-c"_s, u"echo $$"_s});
    dead.waitForFinished();
    content = dead.readAll().trimmed() + content.mid(content.indexOf('\n'));
    test::writeFile(temp.file(u"vellumtone.lock"_s), content);
    observer.messages.clear();
    EXPECT_TRUE(run(rows).started);
    EXPECT_TRUE(observer.messages.isEmpty());
}

TEST_F(Run, OddBookPathsSurviveTheJoinScript)
{
    chain.pieceCount = 2;
    const QString odd = u"It's a \"B$ook\" `x` ünï çödé"_s;
    QDir(out.path()).mkpath(odd);
    settings.folder = out.path() + u'/' + odd;
    run({book(odd + u".epub"_s)});
    EXPECT_EQ(test::readFile(settings.folder + u'/' + odd + u".mp3"_s), "[piece 1][piece 2]");
    EXPECT_TRUE(observer.messages.isEmpty());
}

// Whatever fails, an older result stays byte for byte and no partial file
// is left: a missing piece, tags that cannot be written (a full disk), a run
// ended mid-book. A link in the result's place is never followed.
TEST_F(Run, AnOlderResultSurvivesEveryFailureAndLinksAreNotFollowed)
{
    const QString a = book(u"a.epub"_s);
    test::writeFile(result(u"a.mp3"_s), "older");
    const auto olderStays = [&] {
        EXPECT_EQ(test::readFile(result(u"a.mp3"_s)), "older");
        EXPECT_EQ(test::entries(out.path()), QStringList{u"a.mp3"_s});
    };
    chain.pieceCount = 2;
    chain.silentPieces = {u"output002.txt"_s};
    EXPECT_FALSE(run({a}).books[0].ok);
    olderStays();

    chain.silentPieces = {};
    chain.tagProblem = u"cannot write /out/x: No space left on device"_s;
    RunOutcome outcome = run({a});
    EXPECT_EQ(outcome.books[0].reason,
              u"the title, cover and chapters could not be written: "_s + chain.tagProblem);
    olderStays();

    chain.tagProblem.clear();
    chain.encodedTo.clear();
    observer.onYield = [&] {
        if (chain.encodedTo.size() == 2) // ended as the window's closing ends it
            observer.stop = true;
    };
    EXPECT_TRUE(run({a}).stopped);
    observer.onYield = nullptr;
    observer.stop = false;
    olderStays();

    // A link in the result's place, to a file or to nowhere.
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(u"precious"_s);
    test::writeFile(target, "precious");
    ASSERT_TRUE(QFile::remove(result(u"a.mp3"_s)));
    ASSERT_TRUE(QFile::link(target, result(u"a.mp3"_s)));
    ASSERT_TRUE(QFile::link(elsewhere.filePath(u"new.mp3"_s), result(u"b.mp3"_s)));
    chain.encodedTo.clear();
    outcome = run({a, book(u"b.epub"_s)});
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(outcome.books[i].reason,
                  u"the result "_s + outcome.books[i].resultPath +
                      u" is a symbolic link; remove it or choose another folder"_s);
    EXPECT_EQ(test::readFile(target), "precious");
    EXPECT_EQ(test::entries(elsewhere.path()), QStringList{u"precious"_s});
    EXPECT_TRUE(QFileInfo(result(u"a.mp3"_s)).isSymLink());
    EXPECT_TRUE(chain.encodedTo.isEmpty()) << "no book was spoken";
}

// A front end that asks the run to stop gets it stopped at the next yield:
// the book's partial result and every working file go, the lock too.
TEST_F(Run, AStopRequestEndsTheRunAndClearsUp)
{
    chain.pieceCount = 3;
    observer.onYield = [&] { observer.stop = chain.encodedTo.size() == 2; };
    const RunOutcome outcome = run({book(u"a.epub"_s), book(u"b.epub"_s)});
    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(outcome.books.isEmpty());
    EXPECT_EQ(chain.calls.count(u"remove"_s), 0);
    EXPECT_TRUE(test::entries(temp.path()).isEmpty())
        << test::entries(temp.path()).join(u' ').toStdString();
    EXPECT_TRUE(test::entries(out.path()).isEmpty());
    QLockFile next(temp.file(u"vellumtone.lock"_s));
    EXPECT_TRUE(next.tryLock(0));
}

// A book cut into chapters becomes a folder named after it, made beside
// the older one and put in its place only when complete.
TEST_F(Run, ABookCutIntoChaptersReplacesOnlyAFolderOfChapters)
{
    settings.splitChapters = true;
    const QString a = book(u"a.epub"_s);
    const QString folder = result(u"a"_s);
    // A killed run's half-made folder goes with the next run of the book.
    test::writeFile(result(u".a.999999999.k1ll3d.part/01 - Chapter.mp3"_s), "half");
    RunOutcome outcome = run({a});
    ASSERT_TRUE(outcome.books[0].ok) << outcome.books[0].reason.toStdString();
    EXPECT_EQ(outcome.books[0].resultPath, folder);
    EXPECT_EQ(test::entries(out.path()), QStringList{u"a"_s}); // no whole book, no partials
    EXPECT_EQ(test::entries(folder),
              (QStringList{u"01 - Chapter.mp3"_s, u"02 - Chapter.mp3"_s, u"03 - Chapter.mp3"_s}));

    // A failed cut leaves the older chapters whole; a new cut replaces them.
    chain.chapterCount = 2;
    chain.splitProblem = u"cannot write: No space left on device"_s;
    outcome = run({a});
    EXPECT_EQ(outcome.books[0].reason,
              u"the book could not be cut into chapters: "_s + chain.splitProblem);
    EXPECT_EQ(test::entries(folder).size(), 3);
    EXPECT_EQ(test::entries(out.path()), QStringList{u"a"_s});
    chain.splitProblem.clear();
    EXPECT_TRUE(run({a}).books[0].ok);
    EXPECT_EQ(test::entries(folder), (QStringList{u"01 - Chapter.mp3"_s, u"02 - Chapter.mp3"_s}));

    // A folder of the user's own in that place is never replaced: the book
    // is refused before it is spoken. A file there is refused too.
    test::writeFile(folder + u"/notes.txt"_s, "mine");
    chain.spoken.clear();
    outcome = run({a});
    EXPECT_EQ(outcome.books[0].reason,
              u"the folder "_s + folder +
                  u" holds notes.txt, which is no chapter of a book; move it or choose another "
                  u"folder"_s);
    EXPECT_TRUE(chain.spoken.isEmpty());
    EXPECT_EQ(test::readFile(folder + u"/notes.txt"_s), "mine");
    test::writeFile(result(u"b"_s), "a file");
    EXPECT_TRUE(run({book(u"b.epub"_s)}).books[0].reason.contains(u"is taken by a file"_s));

    // A book whose contents give no chapters stays one file, and says so.
    chain.chapterCount = 0;
    outcome = run({book(u"c.epub"_s)});
    ASSERT_TRUE(outcome.books[0].ok);
    EXPECT_EQ(outcome.books[0].resultPath, result(u"c.mp3"_s));
    EXPECT_EQ(outcome.books[0].note,
              u"its contents give no chapters to cut it at: it is one file"_s);
    EXPECT_EQ(test::entries(out.path()), (QStringList{u"a"_s, u"b"_s, u"c.mp3"_s}));
}

// A stop while the book is cut removes the half-made folder and the whole
// book's file: nothing is left but what was there before.
TEST_F(Run, AStopWhileCuttingLeavesNothingBehind)
{
    settings.splitChapters = true;
    observer.onYield = [&] {
        if (!QDir(out.path()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
            observer.stop = true;
    };
    EXPECT_TRUE(run({book(u"a.epub"_s)}).stopped);
    EXPECT_TRUE(test::entries(out.path()).isEmpty());
}
