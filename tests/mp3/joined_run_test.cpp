#include "audio_tools.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/working_folder.h"
#include "conversion.h"
#include "pipeline/chain.h"
#include "pipeline/conversion_run.h"
#include "test_env.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;
using namespace vt::test;

namespace
{

// A chain whose encoder hands out real MP3 pieces made beforehand.
class PreparedPieces : public Chain
{
  public:
    void deployTools(StepGuard&) override {}
    void removeTools(StepGuard&) override {}
    BookVoice startBook(const BookJob&, const EpubBook&) override { return {}; }
    ToolRun readEpubToText() override
    {
        writeFile((WorkingFolder().value() / u"output.txt").text(), "text");
        return {};
    }
    qint32 cutText(const QString& textPath) override
    {
        for (qint32 j = 1; j <= qint32(mp3s.size()); ++j)
            writeFile(StripExtension(textPath) + PieceNumber(j) + u".txt"_s, "piece");
        DeleteFileQuiet(textPath);
        return qint32(mp3s.size());
    }
    void saveToWav(const QString& source, const QString& wav) override
    {
        writeFile(wav, readFile(source));
    }
    Expected<void> encodePiece(const QString&, const QString& mp3) override
    {
        QFile::copy(mp3s.at(next++), mp3);
        return {};
    }
    Expected<QStringList> finishResult(const QString&) override { return QStringList{}; }
    Expected<int> splitResult(const QString&, const QString&) override { return 0; }

    QStringList mp3s;
    qsizetype next = 0;
};

TEST(JoinedRun, ABookOfSeveralPiecesComesOutAsOneBook)
{
    QTemporaryDir pieces;
    PreparedPieces chain;
    double total = 0;
    const QStringList texts = {u"One."_s, u"The second piece is somewhat longer than the first."_s,
                               u"And then the third piece ends the book."_s};
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString wav = pieces.filePath(u"p%1.wav"_s.arg(i));
        chain.mp3s << pieces.filePath(u"p%1.mp3"_s.arg(i));
        speakToWav(texts[i], wav);
        encodeMp3(wav, chain.mp3s.last(), {u"-b"_s, u"64"_s}); // with an Info frame
        total += ffprobeSeconds(chain.mp3s.last());
    }

    TempWorkingFolder temp;
    QTemporaryDir out;
    Conversion run;
    run.settings.folder = out.path();
    const QString book = pieces.filePath(u"book.epub"_s);
    writeFile(book, "epub");
    const RunOutcome outcome = run.convert({book}, chain);

    ASSERT_EQ(outcome.books.size(), 1);
    EXPECT_TRUE(outcome.books.first().ok) << outcome.books.first().reason.toStdString();
    EXPECT_TRUE(run.observer.messages.isEmpty());
    const QString result = out.filePath(u"book.mp3"_s);
    EXPECT_NEAR(ffprobeSeconds(result), total, 0.5);
    const Mpg123Report mpg = mpg123Test(result);
    EXPECT_NEAR(mpg.announced, total, 0.5);
    EXPECT_EQ(mpg.complaints, QStringList{});
    EXPECT_EQ(ffmpegErrors(result), QString());
}

} // namespace
