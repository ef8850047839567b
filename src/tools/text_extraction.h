#pragma once

#include <QString>

namespace vt
{

class CommandRunner;
class MessageBoxPort;

// Runs the e-book converter on one book; leaves W/output.txt when it made text.
void ReadePubToStringToFSO(const QString& bookPath, MessageBoxPort& box, CommandRunner& runner);

} // namespace vt
