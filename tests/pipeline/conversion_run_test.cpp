#include "common/files.h"
#include "fake_window.h"
#include "pipeline/conversion_run.h"
#include "pipeline/progress.h"
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

class Run : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        window.folder = out.path();
        books = QDir(booksDir.path());
    }
    QString book(const QString& name)
    {
        const QString path = books.filePath(name);
        test::writeFile(path, "epub");
        return path;
    }
    QString result(const QString& name) const { return out.path() + u'/' + name; }

    test::TempWorkingFolder temp;
    QTemporaryDir out;
    QTemporaryDir booksDir;
    QDir books;
    test::FakeWindow window;
    test::ScriptedChain chain;
};

} // namespace

TEST_F(Run, AnEmptyListIsRefusedWithoutTouchingAnything)
{
    const RunOutcome outcome = PushButton1_Click(window, chain);
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(window.messageTexts(), QStringList{u"No files added."_s});
    EXPECT_FALSE(window.busyFlag);
    EXPECT_EQ(window.pointerValue, Pointer::Default);
    EXPECT_TRUE(window.captions.isEmpty());
    EXPECT_TRUE(chain.calls.isEmpty());
}

TEST_F(Run, AMissingOutputFolderIsRefusedUnlessResultsGoBesideTheBooks)
{
    window.rows = {book(u"a.epub"_s)};
    window.folder = out.path() + u"/missing"_s;
    PushButton1_Click(window, chain);
    EXPECT_EQ(window.messageTexts(),
              QStringList{u"Folder does not exist. Please select another folder."_s});
    EXPECT_TRUE(chain.calls.isEmpty());
    EXPECT_FALSE(window.busyFlag);

    window.messages.clear();
    window.opt1 = false;
    window.opt2 = true;
    const RunOutcome outcome = PushButton1_Click(window, chain);
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(window.messageTexts(), QStringList{u"Done."_s});
    EXPECT_TRUE(FileExists(books.filePath(u"a.mp3"_s)));
}

TEST_F(Run, ASecondClickWhileBusyDoesNothing)
{
    window.rows = {book(u"a.epub"_s)};
    window.busyFlag = true;
    EXPECT_FALSE(PushButton1_Click(window, chain).started);
    EXPECT_TRUE(window.messages.isEmpty());
    EXPECT_TRUE(chain.calls.isEmpty());
    EXPECT_TRUE(window.busyFlag);
}

TEST_F(Run, OnePieceIsEncodedStraightToTheResult)
{
    window.rows = {book(u"a.epub"_s)};
    const RunOutcome outcome = PushButton1_Click(window, chain);
    EXPECT_EQ(chain.encodedTo, QStringList{result(u"a.mp3"_s)});
    EXPECT_EQ(test::readFile(result(u"a.mp3"_s)), "[piece 1]");
    EXPECT_EQ(chain.calls,
              (QStringList{u"deploy"_s, u"read "_s + window.rows[0], u"cut"_s, u"remove"_s}));
    // The design leaves the text pieces; WAVs, MP3 pieces, script and lock are gone.
    EXPECT_EQ(test::entries(temp.path()), QStringList{u"output001.txt"_s});
    EXPECT_EQ(window.messageTexts(), QStringList{u"Done."_s});
    EXPECT_EQ(window.messages[0].icon, Icon::None);
    EXPECT_FALSE(window.busyFlag);
    EXPECT_EQ(window.pointerValue, Pointer::Default);
    EXPECT_EQ(window.caption, u"Progress Bar"_s);
    EXPECT_EQ(window.value, 0);
    EXPECT_FALSE(window.timerOn);
    ASSERT_EQ(outcome.books.size(), 1);
    EXPECT_TRUE(outcome.books[0].ok);
}

TEST_F(Run, TwelvePiecesAreJoinedInOrder)
{
    chain.pieceCount = 12;
    window.rows = {book(u"a.epub"_s)};
    PushButton1_Click(window, chain);
    QByteArray expected;
    for (int j = 1; j <= 12; ++j)
        expected += "[piece " + QByteArray::number(j) + "]";
    EXPECT_EQ(test::readFile(result(u"a.mp3"_s)), expected);
    EXPECT_EQ(chain.encodedTo.first(), temp.file(u"output001.mp3"_s));
    EXPECT_EQ(chain.encodedTo.last(), temp.file(u"output012.mp3"_s));
    EXPECT_FALSE(FileExists(temp.file(u"JoinMP3.sh"_s)));
    EXPECT_FALSE(FileExists(temp.file(u"output012.mp3"_s)));
    EXPECT_EQ(window.messageTexts(), QStringList{u"Done."_s});
    EXPECT_EQ(JoinScriptLine({u"/w/output001.mp3"_s, u"/w/output002.mp3"_s}, u"/o/it's.mp3"_s),
              u"cat '/w/output001.mp3' '/w/output002.mp3' > '/o/it'\\''s.mp3'"_s);
}

TEST_F(Run, Piece1000IsNamedInFull)
{
    chain.pieceCount = 1000;
    window.rows = {book(u"a.epub"_s)};
    PushButton1_Click(window, chain);
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

TEST_F(Run, ABookWithoutTextIsReportedAndTheRunGoesOn)
{
    window.rows = {book(u"notext.epub"_s), book(u"b.epub"_s), book(u"notext2.epub"_s)};
    const RunOutcome outcome = PushButton1_Click(window, chain);
    ASSERT_EQ(window.messages.size(), 3);
    EXPECT_EQ(window.messages[0].text,
              u"Error #213042: Unrecognized EPUB format.\n\nSoftware cannot operate with iTunes "
              u"EPUB files for example.\n\nPlease email support@vellumtone.example with a "
              u"screenshot of this message if you have any questions."_s);
    EXPECT_EQ(window.messages[0].icon, Icon::None);
    EXPECT_TRUE(FileExists(result(u"b.mp3"_s)));
    // Each failed book on its own line, with why.
    EXPECT_EQ(window.messages[2].text,
              u"Done.\n\nThese books could not be converted completely:\n"_s + window.rows[0] +
                  u": calibre could not read the book\n"_s + window.rows[2] +
                  u": calibre could not read the book"_s);
    EXPECT_EQ(window.messages[2].icon, Icon::Warning);
    EXPECT_EQ(outcome.failedBooks(), (QStringList{window.rows[0], window.rows[2]}));
}

// A book in a language no voice speaks is still spoken, and the summary says so.
TEST_F(Run, TheSummaryNamesABookSpokenWithoutAVoiceForItsLanguage)
{
    const QString note = u"no voice for Hebrew; spoken with English"_s;
    chain.voices[u"he.epub"_s] = {-1, u"English"_s, note};
    window.rows = {book(u"he.epub"_s), book(u"b.epub"_s)};
    const RunOutcome outcome = PushButton1_Click(window, chain);
    ASSERT_EQ(outcome.books.size(), 2);
    EXPECT_TRUE(outcome.books[0].ok);
    EXPECT_EQ(outcome.books[0].note, note);
    EXPECT_EQ(window.messageTexts().last(), u"Done.\n\n"_s + window.rows[0] + u": "_s + note);
}

TEST_F(Run, TheBarMovesWithinEachBookAndIsFullOnlyWhenTheLastIsDone)
{
    chain.pieceCount = 2;
    window.rows = {book(u"a.epub"_s), book(u"b.epub"_s)};
    PushButton1_Click(window, chain);
    const QList<double>& v = window.values;
    ASSERT_GE(v.size(), 3);
    EXPECT_EQ(v.first(), 0); // book 1 of 2 starts at 0, book 2 at 50
    EXPECT_TRUE(v.contains(50));
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end() - 1));
    EXPECT_EQ(v.indexOf(100), v.size() - 2);
    EXPECT_EQ(v.last(), 0);
    // Each of the two pieces moves it as it is spoken and encoded.
    EXPECT_GE(std::count_if(v.begin(), v.end(), [](double x) { return x > 0 && x < 50; }), 8);
    EXPECT_TRUE(window.captions.contains(
        u"Processing: 2 of 2.. please wait patiently.. Please do not click on anything..1"_s));
    EXPECT_EQ(window.captions.first(),
              u"Processing.. please wait patiently.. Please do not click on anything.."_s);
}

TEST_F(Run, BooksWithMissingAudioAreListedAsFailed)
{
    chain.pieceCount = 3;
    chain.silentPieces = {u"output002.txt"_s};
    window.rows = {book(u"a.epub"_s)};
    const RunOutcome outcome = PushButton1_Click(window, chain);
    ASSERT_EQ(outcome.books.size(), 1);
    EXPECT_FALSE(outcome.books[0].ok);
    EXPECT_TRUE(outcome.books[0].reason.contains(u"parts 2 of 3"_s))
        << outcome.books[0].reason.toStdString();
    EXPECT_EQ(window.messageTexts().last(),
              u"Done.\n\nThese books could not be converted completely:\n"_s + window.rows[0] +
                  u": "_s + outcome.books[0].reason);

    // A stale result of an earlier run does not count as this run's result.
    chain.silentPieces = {u"output001.txt"_s};
    chain.pieceCount = 1;
    test::writeFile(result(u"a.mp3"_s), "old");
    QFile old(result(u"a.mp3"_s));
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    old.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime);
    old.close();
    EXPECT_EQ(PushButton1_Click(window, chain).failedBooks(), QStringList{window.rows[0]});
}

TEST_F(Run, OnlyFinishedBooksAreTaggedAndOnlyWhenAsked)
{
    chain.pieceCount = 2;
    window.rows = {book(u"a.epub"_s), book(u"notext.epub"_s), book(u"b.epub"_s)};
    chain.silentPieces = {};
    PushButton1_Click(window, chain);
    EXPECT_EQ(chain.tagged, (QStringList{u"a.epub -> a.mp3"_s, u"b.epub -> b.mp3"_s}));

    chain.tagged.clear();
    chain.silentPieces = {u"output002.txt"_s}; // a book with a piece missing fails
    window.rows = {book(u"c.epub"_s)};
    PushButton1_Click(window, chain);
    EXPECT_TRUE(chain.tagged.isEmpty());

    chain.silentPieces = {};
    window.tags = false;
    PushButton1_Click(window, chain);
    EXPECT_TRUE(chain.tagged.isEmpty());
}

TEST_F(Run, TheTimerRunsWhileAPieceIsSpokenAndStaleWavsNeverPassForAudio)
{
    chain.pieceCount = 2;
    chain.silentPieces = {u"output002.txt"_s};
    // Left by a run that ended early.
    test::writeFile(temp.file(u"output.wav"_s), "stale");
    test::writeFile(temp.file(u"output002.wav"_s), "stale");
    QList<bool> timerWhileSpeaking;
    chain.onSpeak = [&] {
        timerWhileSpeaking << window.timerOn;
        EXPECT_EQ(window.timerInterval, 1000);
    };
    window.rows = {book(u"a.epub"_s)};
    const RunOutcome outcome = PushButton1_Click(window, chain);
    EXPECT_EQ(timerWhileSpeaking, (QList<bool>{true, true}));
    EXPECT_EQ(window.timerSwitches, 4);
    EXPECT_FALSE(FileExists(temp.file(u"output.wav"_s)));
    // The piece that was not spoken is missing, not replaced by the old WAV.
    EXPECT_EQ(chain.encodedTo, QStringList{temp.file(u"output001.mp3"_s)});
    ASSERT_EQ(outcome.books.size(), 1);
    EXPECT_FALSE(outcome.books[0].ok);
}

TEST_F(Run, AResultOnAServerWhoseClockLagsIsThisBooksResult)
{
    chain.clockLag = 3600;
    window.rows = {book(u"a.epub"_s)};
    const RunOutcome outcome = PushButton1_Click(window, chain);
    ASSERT_EQ(outcome.books.size(), 1);
    EXPECT_TRUE(outcome.books[0].ok) << outcome.books[0].reason.toStdString();
    EXPECT_EQ(window.messageTexts(), QStringList{u"Done."_s});

    // Cut short, such a result is this book's unfinished one and goes.
    bool removed = false;
    window.onYield = [&] {
        if (!removed && FileExists(result(u"a.mp3"_s)) && !chain.encodedTo.isEmpty()) {
            RemoveUnfinishedResult();
            removed = !FileExists(result(u"a.mp3"_s));
        }
    };
    chain.encodedTo.clear();
    PushButton1_Click(window, chain);
    EXPECT_TRUE(removed);
}

TEST_F(Run, ALiveRunInTheSameWorkingFolderBlocksASecondOne)
{
    window.rows = {book(u"a.epub"_s)};
    QLockFile held(temp.file(u"vellumtone.lock"_s));
    ASSERT_TRUE(held.tryLock(0));
    EXPECT_FALSE(PushButton1_Click(window, chain).started);
    EXPECT_EQ(window.messageTexts(), QStringList{kAnotherRunMessage});
    EXPECT_TRUE(chain.calls.isEmpty());
    EXPECT_FALSE(window.busyFlag);

    // A lock left by a process that has ended does not block: the held
    // lock's own content with the pid of a process that is gone.
    QByteArray content = test::readFile(temp.file(u"vellumtone.lock"_s));
    held.unlock();
    QProcess dead;
    dead.start(u"/bin/sh"_s, {u"-c"_s, u"echo $$"_s});
    dead.waitForFinished();
    content = dead.readAll().trimmed() + content.mid(content.indexOf('\n'));
    test::writeFile(temp.file(u"vellumtone.lock"_s), content);
    window.messages.clear();
    EXPECT_TRUE(PushButton1_Click(window, chain).started);
    EXPECT_EQ(window.messageTexts(), QStringList{u"Done."_s});
}

TEST_F(Run, OddBookPathsSurviveTheJoinScript)
{
    chain.pieceCount = 2;
    const QString odd = u"It's a \"B$ook\" `x` ünï çödé"_s;
    QDir(out.path()).mkpath(odd);
    window.folder = out.path() + u'/' + odd;
    window.rows = {book(odd + u".epub"_s)};
    PushButton1_Click(window, chain);
    EXPECT_EQ(test::readFile(window.folder + u'/' + odd + u".mp3"_s), "[piece 1][piece 2]");
    EXPECT_EQ(window.messageTexts(), QStringList{u"Done."_s});
}

TEST_F(Run, EndingMidBookRemovesOnlyAResultThisBookBegan)
{
    window.rows = {book(u"a.epub"_s)};
    bool removedWhileWritten = false;
    window.onYield = [&] {
        if (!chain.encodedTo.isEmpty() && !removedWhileWritten && FileExists(result(u"a.mp3"_s))) {
            RemoveUnfinishedResult(); // as closing the window would
            removedWhileWritten = !FileExists(result(u"a.mp3"_s));
        }
    };
    PushButton1_Click(window, chain);
    EXPECT_TRUE(removedWhileWritten);

    // A result of an earlier run that this book has not touched stays.
    chain.encodedTo.clear();
    chain.silentPieces = {u"output001.txt"_s};
    test::writeFile(result(u"a.mp3"_s), "earlier");
    QFile old(result(u"a.mp3"_s));
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    old.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime);
    old.close();
    window.onYield = [] { RemoveUnfinishedResult(); };
    PushButton1_Click(window, chain);
    EXPECT_EQ(test::readFile(result(u"a.mp3"_s)), "earlier");
}
