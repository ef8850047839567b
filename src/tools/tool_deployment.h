#pragma once

#include "common/files.h"
#include "common/step_guard.h"

namespace vt
{

// Puts the converter and the encoder into the working folder at the start of
// a run, and removes them at its end; each step under the run's guard.
void DeployTools(StepGuard& run, const Yield& yield = {});
void RemoveTools(StepGuard& run, const Yield& yield = {});

} // namespace vt
