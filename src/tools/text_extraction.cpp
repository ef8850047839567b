#include "tools/text_extraction.h"

#include "common/command.h"
#include "common/error_report.h"
#include "common/files.h"
#include "common/working_folder.h"
#include "epub/spoken_copy.h"
#include "tools/command_log.h"

using namespace Qt::StringLiterals;

namespace vt
{

void ReadePubToStringToFSO(const QString& bookPath, MessageBoxPort& box, CommandRunner& runner)
{
    StepGuard guard(box, u"Speak.ReadePubToStringToFSO"_s);
    Command command;
    guard.step(100, [&] {
        command.program = WorkingFolder() + u"/calibre/ebook-convert"_s;
        // The deployed launcher is a shell script; /bin/sh runs it even where
        // the working folder is mounted noexec.
        command.interpreter = u"/bin/sh"_s;
    });
    // Reference marks and contents pages are taken out of a copy of the book
    // (spoken.epub), which the converter reads instead; the book stays as it is.
    QString source = bookPath;
    QString copy;
    guard.step(101, [&] {
        copy = WorkingFolder() + u"/spoken.epub"_s;
        if (WriteSpokenCopy(bookPath, copy))
            source = copy;
    });
    // The ".txt" of the output is what makes the converter write plain text.
    guard.step(102, [&] { command.arguments = {source, WorkingFolder() + u"/output.txt"_s}; });
    guard.step(104, [&] {
        qCInfo(lcToolCommand).noquote() << command.shown();
        runner.runAndWait(command, 0); // a failed conversion shows as a missing output.txt
    });
    if (source == copy)
        DeleteFileQuiet(copy);
}

} // namespace vt
