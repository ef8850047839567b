#pragma once

#include "speech/speech_engine.h"
#include "speech/wav_writer.h"

#include <QString>

namespace vt
{

// A WAV file that a voice speaks into (the engine's file stream).
class SpFileStream : public AudioSink
{
  public:
    // Format types; 22 is 22 050 Hz, 16-bit, mono, the only one spoken here.
    static constexpr int SAFT22kHz16BitMono = 22;
    // File modes; the file is always created or replaced.
    static constexpr int SSFMCreateForWrite = 3;

    // maxDataBytes lowers the WAV size limit (tests).
    explicit SpFileStream(quint64 maxDataBytes = WavWriter::kMaxDataBytes) : writer_(maxDataBytes)
    {
    }

    // Raises an error for any format but 22.
    void setFormatType(int type);
    int formatType() const { return formatType_; }
    // Creates or replaces the file; doEvents has no meaning here (no event
    // data is ever written). Raises an error when the file cannot be made.
    void Open(const QString& fileName, int fileMode = SSFMCreateForWrite, bool doEvents = false);
    // Completes the header and releases the file; a closed stream stays closed.
    void Close();
    // Releases the file of a speaking that failed, header unfinished.
    void Abandon() { writer_.abandon(); }
    bool isOpen() const { return writer_.isOpen(); }
    QString fileName() const { return writer_.path(); }

    void write(const qint16* samples, int count) override;

  private:
    WavWriter writer_;
    int formatType_ = SAFT22kHz16BitMono;
};

} // namespace vt
