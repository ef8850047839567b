#pragma once

#include "audio/m4b_writer.h"

struct AVFormatContext;
struct AVStream;

namespace vt
{

// What every M4B file the program writes shares: a problem in FFmpeg's
// words, and the start of the file with its tags, cover and brand.
Problem FfmpegProblem(const QString& what, int code);

// Gives `audio` its language and the file its tags, adds the cover as a
// picture stream, opens the file and writes its header with the audio
// book's brand, then the cover's one frame. `format` is an "ipod" muxer
// with its audio stream added.
Expected<void> StartM4bFile(AVFormatContext* format, AVStream* audio, const Path& file,
                            const M4bMetadata& metadata);

} // namespace vt
