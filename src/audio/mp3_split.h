#pragma once

#include "common/expected.h"
#include "common/path.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace vt
{

// Cuts an MP3 file into files at sample positions, counted over every frame
// from its start: target i gets the frames from the one that holds
// starts[i] up to the one that holds starts[i + 1] (the last one to the
// end, the first one from the start), after heads[i] (its tag). The file's
// ID3v2 tag and its encoder's Info frames stay behind. Memory stays small
// however long the file: its pages are let go once passed.
Expected<void> SplitMp3(const Path& source, const QList<qint64>& starts, const QList<Path>& targets,
                        const QList<QByteArray>& heads);

} // namespace vt
