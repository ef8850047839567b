#pragma once

#include "common/step_guard.h"
#include "tools/command_runner.h"

#include <QString>
#include <functional>

namespace vt
{

// Writes the copy of the book the converter is to read instead of the book
// itself (reference marks and contents pages taken out) to the given path;
// false when the book itself is to be read.
using SpokenCopyWriter = std::function<bool(const QString& copyPath)>;

// Runs the e-book converter on one book; leaves W/output.txt when it made
// text. Tells how the converter ended (a tool that never ran: `ran` false).
ToolRun ReadePubToStringToFSO(const QString& bookPath, const StepReport& report,
                              CommandRunner& runner, const SpokenCopyWriter& writeCopy = {});

} // namespace vt
