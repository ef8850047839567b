#pragma once

#include "audio/m4b_writer.h"

#include <QList>

namespace vt
{

// Cuts an M4B audio book into M4B files at times in milliseconds, its AAC
// audio copied as it is: target i gets the AAC frames from the one that
// holds starts[i] up to the one that holds starts[i + 1] (the last one to
// the end, the first one from the start), with its own tags and the cover
// of `metadata[i]`, and no chapters.
Expected<void> SplitM4b(const Path& source, const QList<qint64>& startsMs,
                        const QList<Path>& targets, const QList<M4bMetadata>& metadata);

} // namespace vt
