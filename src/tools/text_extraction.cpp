#include "tools/text_extraction.h"

#include "common/command.h"
#include "common/files.h"
#include "common/working_folder.h"
#include "tools/command_log.h"

#include <QDir>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

bool nameCalibreReads(const Path& book)
{
    const QString name = book.fileName();
    return !book.hasForeignBytes() && name.size() > 5 &&
           name.endsWith(u".epub"_s, Qt::CaseInsensitive);
}

} // namespace

ToolRun ReadePubToStringToFSO(const QString& bookPath, const StepReport& report,
                              CommandRunner& runner, const SpokenCopyWriter& writeCopy)
{
    StepGuard guard(report, u"Speak.ReadePubToStringToFSO"_s);
    Command command;
    guard.step(100, [&] {
        command.program = (WorkingFolder().value() / u"calibre/ebook-convert").text();
        // The deployed launcher is a shell script; /bin/sh runs it even where
        // the working folder is mounted noexec.
        command.interpreter = u"/bin/sh"_s;
    });
    // Reference marks and contents pages are taken out of a copy of the book
    // (spoken.epub), which the converter reads instead; the book stays as it is.
    Path source = bookPath;
    Path copy;
    guard.step(101, [&] {
        copy = WorkingFolder().value() / u"spoken.epub";
        if (writeCopy && writeCopy(copy.text()))
            source = copy;
    });
    // calibre tells a book's format by the ending of its name, and takes the
    // name as text: a book named otherwise ("book", ".epub", a name that is
    // not UTF-8) reaches it through a link named book.epub.
    Path link;
    if (source == Path(bookPath) && !nameCalibreReads(source)) {
        link = WorkingFolder().value() / u"book.epub";
        DeleteFileQuiet(link);
        const Path target(QDir::cleanPath(QDir::current().absoluteFilePath(bookPath)));
        if (::symlink(target.native().constData(), link.native().constData()) == 0)
            source = link;
    }
    // The ".txt" of the output is what makes the converter write plain text.
    guard.step(102, [&] {
        command.arguments = {source.text(), (WorkingFolder().value() / u"output.txt").text()};
    });
    ToolRun converter;
    guard.step(104, [&] {
        qCInfo(lcToolCommand).noquote() << command.shown();
        converter = runner.runAndWait(command, 0); // the run judges how it ended
    });
    if (source == copy || source == link)
        DeleteFileQuiet(source);
    return converter;
}

} // namespace vt
