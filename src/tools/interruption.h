#pragma once

#include <QObject>
#include <functional>
#include <sys/types.h>

namespace vt
{

// Ctrl+C (SIGINT), SIGTERM and SIGHUP (the terminal closed, the session
// ended) end the program in the middle of a run as closing the window does.
// The handler itself only ends the running tool and the processes handed to
// EndOnInterrupt, and notes the signal; the program finishes the job (the
// unfinished result, the working files) at its next yield or through
// OnInterrupt.
void InstallInterruptHandling();
// The signal that arrived, 0 while none has.
int InterruptSignal();
inline bool Interrupted()
{
    return InterruptSignal() != 0;
}

// The processes in the slots (the batch converter's children) are sent
// SIGTERM on an interruption; 0 empties a slot.
inline constexpr int kInterruptSlots = 256;
void EndOnInterrupt(int slot, pid_t pid);

// Calls `action` from the event loop of `context`'s thread once a signal has
// arrived, also while the window waits for the user.
void OnInterrupt(QObject* context, std::function<void()> action);

} // namespace vt
