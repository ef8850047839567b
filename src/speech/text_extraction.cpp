#include "text_extraction.h"

#include "command.h"
#include "error_report.h"
#include "tool_command_log.h"
#include "working_folder.h"

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
    // The ".txt" of the output is what makes the converter write plain text.
    guard.step(102, [&] { command.arguments = {bookPath, WorkingFolder() + u"/output.txt"_s}; });
    guard.step(104, [&] {
        qCInfo(lcToolCommand).noquote() << command.shown();
        runner.runAndWait(command, 0); // a failed conversion shows as a missing output.txt
    });
}

} // namespace vt
