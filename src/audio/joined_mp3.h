#pragma once

#include "audio/mp3_frames.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QtGlobal>

namespace vt
{

// Bytes to write over the data at an offset; the length stays the same.
struct BytePatch {
    qint64 offset = 0;
    QByteArray bytes;
};

// A book of several pieces is their byte-wise join, so every piece's
// encoder Info frame (frame count, byte count, seek table, encoder delay and
// padding) lands in the result. Players take the first one for the whole
// file. These are the changes that make it describe the whole file, and
// that turn the later Info frames into silent frames decoders pass over.
// Empty when there is nothing to change (no frames, no Info frames).
QList<BytePatch> JoinedMp3Patches(QByteArrayView data);

// Applies JoinedMp3Patches to the file in place. Best effort: a file that
// cannot be read or written, or holds no frames, is left as it is. True
// when the file was changed.
bool FixJoinedMp3(const QString& resultPath);

// True when the frame at `frame` holds an encoder's Info header (it describes
// a stream; it is no audio).
bool IsInfoFrame(QByteArrayView data, qint64 frame, const Mp3Header& header);

// The CRC-16 (polynomial 0x8005, reflected, start 0) of the encoder's Info tag.
quint16 InfoTagCrc(QByteArrayView data, quint16 crc = 0);

} // namespace vt
