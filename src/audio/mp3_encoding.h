#pragma once

#include "common/step_guard.h"
#include "tools/command_runner.h"

#include <QByteArray>
#include <QString>

namespace vt
{

// Encodes one WAV file to MP3 with the deployed encoder; tells how it ended
// (an encoder that never ran: `ran` false).
ToolRun WAVToMP3(const QString& wavPath, const QString& mp3Path, const StepReport& report,
                 CommandRunner& runner);

// The share (0..1) of its frames the encoder reports done in its output so
// far ("  300/1739   (17%)|..."), or -1 before its first report.
double EncodedShare(const QByteArray& encoderOutput);

} // namespace vt
