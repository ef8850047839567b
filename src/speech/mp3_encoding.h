#pragma once

#include <QString>

namespace vt
{

class CommandRunner;
class MessageBoxPort;

// Encodes one WAV file to MP3 with the deployed encoder.
void WAVToMP3(const QString& wavPath, const QString& mp3Path, MessageBoxPort& box,
              CommandRunner& runner);

} // namespace vt
