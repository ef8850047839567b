#include "tools/command_runner.h"

#include "common/window_ports.h"
#include "pipeline/progress.h"

#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <functional>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

Q_LOGGING_CATEGORY(lcCommand, "vellumtone.command", QtWarningMsg)

constexpr qsizetype kKeptOutput = 8192;

std::atomic<qint64> runningPid{0};
QByteArray& lastOutput()
{
    static QByteArray output;
    return output;
}
ToolEnding& lastEnding()
{
    static ToolEnding ending;
    return ending;
}

void keepOutput(QProcess& process)
{
    QByteArray& kept = lastOutput();
    kept += process.readAll();
    if (kept.size() > kKeptOutput)
        kept = kept.right(kKeptOutput);
}

QString causeOf(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return u"not found"_s;
    case EACCES:
    case EPERM:
        return u"permission denied"_s;
    default:
        return qt_error_string(error);
    }
}

// Why a file cannot be run (mode X_OK) or read as a script (R_OK); "" when
// nothing is in the way that the file system can tell.
QString accessProblem(const QString& path, int mode)
{
    if (!path.contains(u'/'))
        return QStandardPaths::findExecutable(path).isEmpty() ? causeOf(ENOENT) : QString();
    return ::access(QFile::encodeName(path).constData(), mode) == 0 ? QString() : causeOf(errno);
}

int waitFor(const Command& command, int windowStyle, const std::function<void()>& displayPass)
{
    NormaliseWindowStyle(windowStyle); // nothing to show on this platform
    qCInfo(lcCommand).noquote() << command.shown();
    lastOutput().clear();
    lastEnding() = ToolEnding{true, false, false, 0, {}};

    QString program = command.program;
    QStringList arguments = command.arguments;
    if (!command.interpreter.isEmpty()) {
        // The interpreter would start and then fail on a script it cannot read.
        lastEnding().startProblem = accessProblem(program, R_OK);
        if (!lastEnding().startProblem.isEmpty())
            return kStartFailure;
        arguments.prepend(program);
        program = command.interpreter;
    }

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    // Each tool gets a process group of its own, so ending it also ends
    // whatever its launcher started.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        lastEnding().startProblem = accessProblem(program, X_OK);
        if (lastEnding().startProblem.isEmpty())
            lastEnding().startProblem = process.errorString();
        return kStartFailure;
    }
    lastEnding().started = true;
    runningPid = process.processId();

    bool running = true;
    do {
        running = !process.waitForFinished(100);
        keepOutput(process);
        displayPass();
    } while (running && process.state() != QProcess::NotRunning);
    runningPid = 0;
    keepOutput(process);
    lastEnding().crashed = process.exitStatus() == QProcess::CrashExit;
    lastEnding().exitCode = process.exitCode();
    return process.exitCode();
}

} // namespace

int NormaliseWindowStyle(int style)
{
    return style < 0 || style > 6 ? 6 : style;
}

int RunAndWait(WindowPort& window, const Command& command, int windowStyle,
               const std::function<void()>& eachPass)
{
    return waitFor(command, windowStyle, [&window, &eachPass] {
        if (eachPass)
            eachPass();
        ++ActivityCounter;
        ShowProcessingText(window);
        window.yieldOnce();
    });
}

int RunAndWaitWithProgress(WindowPort& window, const Command& command, int windowStyle,
                           ProgressBarPort* progressBar, const QString& caption, int startValue,
                           int bookCount)
{
    WaitingDisplay display(window, progressBar, caption, startValue, bookCount);
    const int code = waitFor(command, windowStyle, [&display] { display.pass(); });
    if (code != kStartFailure)
        display.finish();
    return code;
}

void EndRunningTool()
{
    const qint64 pid = runningPid.exchange(0);
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
}

QByteArray LastToolOutput()
{
    return lastOutput();
}

ToolEnding LastToolEnding()
{
    return lastEnding();
}

void ForgetLastTool()
{
    lastOutput().clear();
    lastEnding() = ToolEnding{};
}

} // namespace vt
