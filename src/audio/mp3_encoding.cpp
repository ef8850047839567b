#include "audio/mp3_encoding.h"

#include "common/command.h"
#include "common/working_folder.h"
#include "tools/command_log.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace vt
{

ToolRun WAVToMP3(const QString& wavPath, const QString& mp3Path, const StepReport& report,
                 CommandRunner& runner)
{
    StepGuard guard(report, u"Speak.WAVToMP3"_s);
    Command command;
    guard.step(100, [&] {
        command.program = (WorkingFolder().value() / u"lame").text();
        // The deployed launcher is a shell script; /bin/sh runs it even where
        // the working folder is mounted noexec.
        command.interpreter = u"/bin/sh"_s;
    });
    guard.step(102, [&] { command.arguments = {u"-h"_s, wavPath, mp3Path}; });
    guard.step(104, [&] { qCInfo(lcToolCommand).noquote() << command.shown(); });
    // The encoder's own result is not judged here: the run looks at it and the MP3 file.
    ToolRun encoder;
    guard.step(106, [&] { encoder = runner.runAndWait(command, 0); });
    return encoder;
}

double EncodedShare(const QByteArray& encoderOutput)
{
    // Only the latest report counts; one is a few hundred bytes long.
    static const QRegularExpression report(uR"((\d+)/(\d+)\s+\(\s*\d+%\))"_s);
    const QString tail = QString::fromLatin1(encoderOutput.right(1024));
    QRegularExpressionMatch last;
    for (auto it = report.globalMatch(tail); it.hasNext();)
        last = it.next();
    if (!last.hasMatch())
        return -1;
    const double total = last.captured(2).toDouble();
    return total > 0 ? std::min(1.0, last.captured(1).toDouble() / total) : -1;
}

} // namespace vt
