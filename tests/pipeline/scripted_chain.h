#pragma once

#include "common/files.h"
#include "common/paths.h"
#include "common/working_folder.h"
#include "epub/package.h"
#include "pipeline/chain.h"
#include "test_env.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>

namespace vt::test
{

// A chain whose steps write small files: text for every book unless it is
// named "notext", `pieceCount` pieces, a WAV per piece unless listed in
// `silentPieces`, and an MP3 that names its piece. Speaking and encoding
// each tell of being halfway.
class ScriptedChain : public Chain
{
  public:
    void deployTools(StepGuard&) override { calls << QStringLiteral("deploy"); }
    void removeTools(StepGuard&) override { calls << QStringLiteral("remove"); }
    BookVoice startBook(const BookJob& job, const EpubBook& book) override
    {
        job_ = job;
        started << job;
        opened << &book;
        return voices.value(GetFileName(job.book), {job.voice, QStringLiteral("chosen"), {}});
    }
    ToolRun readEpubToText() override
    {
        calls << QStringLiteral("read ") + job_.book;
        if (!job_.book.contains(QStringLiteral("notext")))
            writeFile((WorkingFolder().value() / u"output.txt").text(), bookText);
        return {};
    }
    qint32 cutText(const QString& textPath) override
    {
        const qint32 m = pieceCount;
        // A long text is in the pieces, as the real cut leaves it.
        const QByteArray text = readFile(textPath);
        const QByteArray tail = text.size() > 1024 ? "\n" + text : QByteArray();
        for (qint32 j = 1; j <= m; ++j)
            writeFile(StripExtension(textPath) + PieceNumber(j) + QStringLiteral(".txt"),
                      "piece " + QByteArray::number(j) + (j == m ? tail : QByteArray()));
        DeleteFileQuiet(textPath);
        calls << QStringLiteral("cut");
        return m;
    }
    void saveToWav(const QString& source, const QString& wav) override
    {
        spoken << GetFileName(source);
        if (onSpeak)
            onSpeak();
        if (hooks().spoken)
            hooks().spoken(0.5);
        if (!silentPieces.contains(GetFileName(source)))
            writeFile(wav, readFile(source));
    }
    Expected<void> encodePiece(const QString& wav, const QString& mp3) override
    {
        encodedTo << mp3;
        if (hooks().spoken)
            hooks().spoken(0.5);
        writeFile(mp3, "[" + readFile(wav) + "]");
        return {};
    }
    Expected<QStringList> finishResult(const QString& result) override
    {
        if (!job_.tags)
            return QStringList{};
        tagged << GetFileName(job_.book) + QStringLiteral(" -> ") + result;
        if (!tagProblem.isEmpty())
            return Problem{tagProblem};
        return QStringList{};
    }
    // Cuts the book into `chapterCount` files that each hold its result.
    Expected<int> splitResult(const QString& result, const QString& folder) override
    {
        if (!splitProblem.isEmpty())
            return Problem{splitProblem};
        if (chapterCount < 2)
            return 0;
        for (int i = 1; i <= chapterCount; ++i) {
            writeFile(folder + QStringLiteral("/0%1 - Chapter.mp3").arg(i), readFile(result));
            if (hooks().yield)
                hooks().yield();
        }
        return chapterCount;
    }

    QHash<QString, BookVoice> voices; // by the book's file name
    qint32 pieceCount = 1;
    QByteArray bookText = "text"; // what the converter makes of every book
    QSet<QString> silentPieces;
    QStringList calls;
    QStringList spoken;
    QStringList encodedTo;
    QStringList tagged;            // "book.epub -> the file its result is made in"
    QString tagProblem;            // what tagging answers; "" is success
    int chapterCount = 3;          // the files a book is cut into
    QString splitProblem;          // what cutting answers; "" is success
    QList<const EpubBook*> opened; // the book each job was started with
    QList<BookJob> started;        // every job, as the chain got it
    std::function<void()> onSpeak; // lets a test look at the run while a piece is spoken

  private:
    BookJob job_;
};

} // namespace vt::test
