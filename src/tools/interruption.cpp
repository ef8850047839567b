#include "tools/interruption.h"

#include "tools/command_runner.h"

#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vt
{
namespace
{

volatile std::sig_atomic_t caught = 0;
std::atomic<pid_t> ended[kInterruptSlots];
// Written by the handler so that a waiting event loop wakes up.
int wakeUp[2] = {-1, -1};

// Only async-signal-safe work here: kill(2), write(2) and the flag.
void onInterrupt(int signal)
{
    caught = signal;
    EndRunningTool();
    for (auto& pid : ended)
        if (const pid_t child = pid.load(); child > 0)
            ::kill(child, SIGTERM);
    if (wakeUp[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeUp[1], &byte, 1);
    }
}

} // namespace

void InstallInterruptHandling()
{
    if (wakeUp[0] < 0 && ::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0)
        wakeUp[0] = wakeUp[1] = -1;
    struct sigaction action {
    };
    action.sa_handler = onInterrupt;
    // Calls under way go on; the event loop still wakes through the pipe.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

int InterruptSignal()
{
    return caught;
}

void EndOnInterrupt(int slot, pid_t pid)
{
    ended[slot % kInterruptSlots] = pid;
}

void OnInterrupt(QObject* context, std::function<void()> action)
{
    if (wakeUp[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(wakeUp[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [notifier, action = std::move(action)] {
                         char byte = 0;
                         while (::read(int(notifier->socket()), &byte, 1) > 0) {
                         }
                         action();
                     });
}

} // namespace vt
