#pragma once

#include <QByteArray>
#include <QString>

namespace vt
{

class CommandRunner;
class MessageBoxPort;

// Encodes one WAV file to MP3 with the deployed encoder.
void WAVToMP3(const QString& wavPath, const QString& mp3Path, MessageBoxPort& box,
              CommandRunner& runner);

// The share (0..1) of its frames the encoder reports done in its output so
// far ("  300/1739   (17%)|..."), or -1 before its first report.
double EncodedShare(const QByteArray& encoderOutput);

} // namespace vt
