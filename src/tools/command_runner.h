#pragma once

#include "common/command.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace vt
{

// Result when a command cannot be started: error 53 plus the automation base.
inline constexpr int kStartFailure = -2147221451;

// Window styles 0..6 are kept for the record only; anything else becomes 6.
int NormaliseWindowStyle(int style);

// How a tool ended, so that a run can tell a failed or crashed tool from one
// that did its work.
struct ToolRun {
    bool ran = false;     // a tool was asked to run
    bool started = true;  // false when it could not be started at all
    bool crashed = false; // ended by a signal (killed, or it crashed)
    int exitCode = 0;     // kStartFailure when it could not be started
    QString startProblem; // why it could not be started: "not found", "permission denied", ...
    QByteArray output;    // the last few kilobytes it wrote, to explain a failure
    qint64 timedOutAfterMs = 0; // it ran past its time limit and was ended then
    bool failed() const { return ran && (!started || crashed || exitCode != 0); }
};

// Called about every 100 ms while a tool runs, with what it wrote so far.
// An exception it raises (a stop) ends the tool and goes on to the caller.
using ToolPass = std::function<void(const QByteArray& output)>;

// Starts the command as a process and waits for its end. Each pass waits up
// to 100 ms for the process, then calls `eachPass`, so an ended tool is
// noticed at once and the front end stays alive. A tool that runs longer
// than `timeLimitMs` (0: no limit) is ended, and so is one whose program
// ends without waiting for it (it gets SIGKILL when this process dies).
ToolRun RunAndWait(const Command& command, int windowStyle = 6, const ToolPass& eachPass = {},
                   qint64 timeLimitMs = 0);

// A generous time limit for a tool working on `bytes` of input: `base`
// minutes, and one more for every `bytesPerMinute`.
qint64 ToolTimeLimitMs(qint64 bytes, int baseMinutes, qint64 bytesPerMinute);

// Ends the tool that a run is waiting for (the window closes, a signal came).
// Safe in a signal handler.
void EndRunningTool();

// Starts a command and waits for its end, keeping the front end alive.
class CommandRunner
{
  public:
    virtual ~CommandRunner() = default;
    virtual ToolRun runAndWait(const Command& command, int windowStyle = 6) = 0;
};

// The runner of a run: RunAndWait with the run's pass.
class PassingRunner : public CommandRunner
{
  public:
    explicit PassingRunner(ToolPass eachPass = {}, qint64 timeLimitMs = 0)
        : eachPass_(std::move(eachPass)), timeLimitMs_(timeLimitMs)
    {
    }
    ToolRun runAndWait(const Command& command, int windowStyle = 6) override
    {
        return RunAndWait(command, windowStyle, eachPass_, timeLimitMs_);
    }

  private:
    ToolPass eachPass_;
    qint64 timeLimitMs_;
};

} // namespace vt
