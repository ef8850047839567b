#pragma once

namespace vt
{

class EventLoopPort;
class StepGuard;

// Puts the converter and the encoder into the working folder at the start of
// a run, and removes them at its end; each step under the run's guard.
void DeployTools(StepGuard& run, EventLoopPort& loop);
void RemoveTools(StepGuard& run, EventLoopPort& loop);

} // namespace vt
