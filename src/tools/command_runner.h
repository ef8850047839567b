#pragma once

#include "common/command.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace vt
{

class ProgressBarPort;
class WindowPort;

// Result when a command cannot be started: error 53 plus the automation base.
inline constexpr int kStartFailure = -2147221451;

// Window styles 0..6 are kept for the record only; anything else becomes 6.
int NormaliseWindowStyle(int style);

// Starts the command as a process and waits for its end. Each pass waits up
// to 100 ms for the process, then refreshes the caption and yields, so an
// ended tool is noticed at once and the window stays alive.
// `eachPass`, when given, is called on every pass after the output is read.
int RunAndWait(WindowPort& window, const Command& command, int windowStyle = 6,
               const std::function<void()>& eachPass = {});
// The same with the counting, creeping bar of the join.
int RunAndWaitWithProgress(WindowPort& window, const Command& command, int windowStyle,
                           ProgressBarPort* progressBar, const QString& caption, int startValue,
                           int bookCount);

// Ends the tool that a run is waiting for (the window closes, a signal came).
void EndRunningTool();
// The last few kilobytes the most recent tool wrote, to explain a failure.
QByteArray LastToolOutput();

// How the most recent tool ended, so that a run can tell a failed or crashed
// tool from one that did its work. ForgetLastTool() clears it and the output.
struct ToolEnding {
    bool ran = false;     // a tool was started since ForgetLastTool()
    bool started = true;  // false when it could not be started at all
    bool crashed = false; // ended by a signal (killed, or it crashed)
    int exitCode = 0;
    QString startProblem; // why it could not be started: "not found", "permission denied", ...
    bool failed() const { return ran && (!started || crashed || exitCode != 0); }
};
ToolEnding LastToolEnding();
void ForgetLastTool();

// The runner as the text and speech steps see it.
class WindowCommandRunner : public CommandRunner
{
  public:
    explicit WindowCommandRunner(WindowPort& window, std::function<void()> eachPass = {})
        : window_(window), eachPass_(std::move(eachPass))
    {
    }
    int runAndWait(const Command& command, int windowStyle = 6) override
    {
        return RunAndWait(window_, command, windowStyle, eachPass_);
    }

  private:
    WindowPort& window_;
    std::function<void()> eachPass_;
};

} // namespace vt
