#include "tool_deployment.h"

namespace vt {
// Placeholder until the embedded tools land.
void DeployTools(StepGuard&, EventLoopPort&) {}
void RemoveTools(StepGuard&, EventLoopPort&) {}
} // namespace vt
