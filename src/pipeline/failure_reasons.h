#pragma once

#include <QByteArray>
#include <QString>

namespace vt
{

struct ToolRun;

// Why a book of pictures gives no audio.
QString OnlyPicturesReason();

// Why the converter left no text for a book, from what the run can see:
// the book file and what the converter printed and how it ended.
QString TextFailureReason(const QString& bookPath, const ToolRun& converter);

// Why the encoder could not write its MP3 file.
QString EncodeFailureReason(const QString& mp3Path, const ToolRun& encoder);

// Why the join of a book's MP3 pieces into its result failed.
QString JoinFailureReason(const QString& resultPath, const ToolRun& join);

// Why a result path cannot be written at all (its folder is gone or not
// writable, it is a read-only file, or a symbolic link that would carry the
// result elsewhere); empty when nothing is in the way.
QString ResultPlaceProblem(const QString& resultPath);

// Why the encoders a book was spoken into could not make its MP3, from
// their error: the disk, the result's place, else the error itself.
QString StreamFailureReason(const QString& mp3Path, const QString& error);

// True when the text file holds at least one letter or digit to speak.
bool HasTextToSpeak(const QString& textPath);

// About how many hours a text of this many bytes takes to speak at a speed
// (-10..10): words of six characters at the engine's words a minute.
int SpeakingHours(qint64 bytes, int rate);
// Books longer than this get a note: hardly anyone wants one that long.
inline constexpr int kLongBookHours = 50;

} // namespace vt
