#include "cli/spoken_text.h"

#include "cli/batch.h"
#include "cli/console_observer.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/working_folder.h"
#include "epub/book_parts.h"
#include "epub/package.h"
#include "epub/spoken_copy.h"
#include "pipeline/failure_reasons.h"
#include "pipeline/tool_chain.h"
#include "tools/interruption.h"

#include <QFile>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

void write(FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace

int PrintSpokenText(const QStringList& books, const BatchSettings& settings)
{
    ConsoleObserver observer(false);
    const StepReport report = [&observer](const StepFailure& f) {
        observer.message({RunMessage::Kind::StepFailure, f.description, {}, f.location, f.line});
    };
    const Yield yield = [&observer] {
        if (observer.stopRequested())
            throw RunStopped{};
    };
    ToolChain chain;
    chain.setHooks({report, yield, [&yield](const QByteArray&) { yield(); }, {}, {}});
    StepGuard run(report, u"Form1.PushButton1_Click"_s);
    JobSettings text = settings.job;
    text.tags = false; // no chapters to place
    int status = 0;
    try {
        chain.deployTools(run);
        const Path working = WorkingFolder().value(); // the caller has made it
        const QString output = (working / u"output.txt").text();
        bool first = true;
        for (const BookJob& job : MakeJobs(books, text)) {
            DeleteFileQuiet(output);
            const EpubBook book(job.book);
            chain.startBook(job, book);
            const ToolRun converter = chain.readEpubToText();
            if (converter.failed()) // text of a converter that failed may be cut short
                DeleteFileQuiet(output);
            if (!FileExists(output)) {
                PrintError(u"vellumtone-cli: "_s + job.book + u": "_s +
                           TextFailureReason(job.book, converter) + u'\n');
                status = 1;
                continue;
            }
            const qint32 pieces = chain.cutText(output);
            for (const QString& note : chain.bookNotes())
                PrintError(u"vellumtone-cli: "_s + job.book + u": "_s + note + u'\n');
            for (qint32 j = 1; j <= pieces; ++j) {
                const Path piece = working / (u"output"_s + PieceNumber(j) + u".txt"_s);
                QFile file(piece.text());
                if (!first)
                    write(stdout, "\f\n");
                first = false;
                if (file.open(QIODevice::ReadOnly))
                    write(stdout, file.readAll());
                file.close();
                DeleteFileQuiet(piece);
            }
        }
        chain.removeTools(run);
    } catch (const RunStopped&) {
        EndRunningTool();
        RemovePrivateWorkingFolder();
        std::fputs("\nvellumtone-cli: interrupted\n", stderr);
        return 130;
    }
    std::fflush(stdout);
    return status;
}

int PrintBookParts(const QStringList& books, const PartChoice& choice)
{
    int status = 0;
    for (const QString& path : books) {
        const EpubBook book(path);
        if (books.size() > 1)
            write(stdout, (path + u":\n"_s).toUtf8());
        if (!book.hasPackage()) {
            PrintError(u"vellumtone-cli: "_s + path + u": not an EPUB book that can be read\n"_s);
            status = 1;
            continue;
        }
        if (HoldsOnlyPictures(book)) {
            write(stdout, OnlyPicturesReason().toUtf8() + '\n');
            continue;
        }
        const QList<BookPart> parts = ReadBookParts(book);
        if (parts.isEmpty())
            write(stdout, "no contents: the whole book is read\n");
        const QList<bool> read = PartsRead(parts, choice);
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const BookPart& p = parts[i];
            QString line = u"%1  %2  "_s.arg(i + 1, 3).arg(read[i] ? u"read   "_s : u"skipped"_s);
            line +=
                QString(2 * (p.level - 1), u' ') + (p.title.isEmpty() ? u"(untitled)"_s : p.title);
            if (p.kind != PartKind::Text)
                line += u"  ["_s + PartKindName(p.kind) + u']';
            if (!p.listed)
                line += u"  (not in the contents)"_s;
            write(stdout, (line + u'\n').toUtf8());
        }
    }
    std::fflush(stdout);
    return status;
}

} // namespace vt
