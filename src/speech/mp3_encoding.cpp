#include "mp3_encoding.h"

#include "command.h"
#include "error_report.h"
#include "tool_command_log.h"
#include "working_folder.h"

using namespace Qt::StringLiterals;

namespace vt
{

void WAVToMP3(const QString& wavPath, const QString& mp3Path, MessageBoxPort& box,
              CommandRunner& runner)
{
    StepGuard guard(box, u"Speak.WAVToMP3"_s);
    Command command;
    guard.step(100, [&] { command.program = WorkingFolder() + u"/lame"_s; });
    guard.step(102, [&] { command.arguments = {u"-h"_s, wavPath, mp3Path}; });
    guard.step(104, [&] { qCInfo(lcToolCommand).noquote() << command.shown(); });
    // The encoder's own result is not judged here: the caller looks for the MP3 file.
    guard.step(106, [&] { runner.runAndWait(command, 0); });
}

} // namespace vt
