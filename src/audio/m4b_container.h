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

// The MP4 muxer writes 2 in the audio sample entry's channel count, as the
// format's template value, whatever the stream holds; players that read it
// there (rather than in the AAC configuration) take the mono book for
// stereo. This sets it to 1 in the finished file.
Expected<void> MarkSampleEntryMono(const Path& file);

// A chapter title as the Nero "chpl" list holds it: at most 255 bytes of
// UTF-8, cut before a character, never inside one.
QByteArray ChplTitle(const QString& title);

} // namespace vt
