#include "tools/command_runner.h"

#include "common/path.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

Q_LOGGING_CATEGORY(lcCommand, "vellumtone.command", QtWarningMsg)

constexpr qsizetype kKeptOutput = 8192;

std::atomic<qint64> runningPid{0};

void keepOutput(QProcess& process, QByteArray& kept)
{
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
    return ::access(Path(path).native().constData(), mode) == 0 ? QString() : causeOf(errno);
}

// Ends the tool and whatever its launcher started: each tool is the leader
// of a process group of its own.
void endGroup(QProcess& process)
{
    runningPid = 0;
    if (process.processId() > 0)
        ::kill(-static_cast<pid_t>(process.processId()), SIGKILL);
    process.waitForFinished(-1);
}

} // namespace

int NormaliseWindowStyle(int style)
{
    return style < 0 || style > 6 ? 6 : style;
}

ToolRun RunAndWait(const Command& command, int windowStyle, const ToolPass& eachPass,
                   qint64 timeLimitMs)
{
    NormaliseWindowStyle(windowStyle); // nothing to show on this platform
    qCInfo(lcCommand).noquote() << command.shown();
    ToolRun run{true, false, false, kStartFailure, {}, {}};

    QString program = command.program;
    QStringList arguments = command.arguments;
    if (!command.interpreter.isEmpty()) {
        // The interpreter would start and then fail on a script it cannot read.
        run.startProblem = accessProblem(program, R_OK);
        if (!run.startProblem.isEmpty())
            return run;
        arguments.prepend(program);
        program = command.interpreter;
    }

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    // Tools start in the program's folder, whatever the user's current one.
    if (QCoreApplication::instance())
        process.setWorkingDirectory(QCoreApplication::applicationDirPath());
    // A group of its own, so that ending it ends what its launcher started;
    // and it ends with this process, however this process ends.
    process.setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        run.startProblem = accessProblem(program, X_OK);
        if (run.startProblem.isEmpty())
            run.startProblem = process.errorString();
        return run;
    }
    run.started = true;
    runningPid = process.processId();
    QElapsedTimer clock;
    clock.start();

    bool running = true;
    do {
        running = !process.waitForFinished(100);
        keepOutput(process, run.output);
        if (running && timeLimitMs > 0 && clock.elapsed() > timeLimitMs) {
            endGroup(process);
            run.timedOutAfterMs = clock.elapsed();
            break;
        }
        if (eachPass) {
            try {
                eachPass(run.output);
            } catch (...) {
                endGroup(process); // a stop, or a pass that failed: the tool goes too
                throw;
            }
        }
    } while (running && process.state() != QProcess::NotRunning);
    runningPid = 0;
    keepOutput(process, run.output);
    run.crashed = process.exitStatus() == QProcess::CrashExit;
    run.exitCode = process.exitCode();
    return run;
}

qint64 ToolTimeLimitMs(qint64 bytes, int baseMinutes, qint64 bytesPerMinute)
{
    return (baseMinutes + std::max<qint64>(0, bytes) / std::max<qint64>(1, bytesPerMinute)) * 60000;
}

void EndRunningTool()
{
    const qint64 pid = runningPid.exchange(0);
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
}

} // namespace vt
