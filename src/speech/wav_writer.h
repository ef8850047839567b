#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

namespace vt
{

// Writes PCM audio into a WAV file as it is produced: the samples go
// straight to disk, so memory does not grow with the length of the audio.
// The header gets its sizes when the file is closed.
class WavWriter
{
  public:
    // The RIFF size field is 32 bits and counts the data and 36 header bytes.
    static constexpr quint64 kMaxDataBytes = 0xFFFFFFFFull - 36;

    // maxDataBytes lowers the limit below the format's own (tests).
    explicit WavWriter(quint64 maxDataBytes = kMaxDataBytes);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates or replaces the file. Raises an error when it cannot be written.
    void open(const QString& path, int sampleRate, int channels, int bitsPerSample);
    // Raises an error when the disk refuses the data, or when the data would
    // pass the size a WAV file can describe; nothing of that block is written.
    void append(const char* data, qint64 bytes);
    // Puts the sizes into the header and closes the file; raises an error when
    // that fails. Closing a closed writer does nothing.
    void close();
    // Releases the file as it is, header unfinished: for audio that is to be
    // thrown away. Never fails.
    void abandon() { file_.close(); }

    bool isOpen() const { return file_.isOpen(); }
    QString path() const { return file_.fileName(); }
    quint64 dataBytes() const { return dataBytes_; }

  private:
    // close() without raising: the system's words when it failed, else "".
    QString finish();
    void fail(int number, const QString& what);

    QFile file_;
    quint64 maxDataBytes_;
    quint64 dataBytes_ = 0;
};

} // namespace vt
