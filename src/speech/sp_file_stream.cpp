#include "speech/sp_file_stream.h"

#include "common/error.h"

using namespace Qt::StringLiterals;

namespace vt
{

void SpFileStream::setFormatType(int type)
{
    if (type != SAFT22kHz16BitMono)
        raise(err::InvalidCall,
              u"Only the audio format 22 (22 050 Hz, 16-bit, mono) is supported."_s);
    formatType_ = type;
}

void SpFileStream::Open(const QString& fileName, int fileMode, bool /*doEvents*/)
{
    if (fileMode != SSFMCreateForWrite)
        raise(err::InvalidCall, u"A speech file stream can only be opened to create a file."_s);
    writer_.open(fileName, kSpeechSampleRate, 1, 16);
}

void SpFileStream::Close()
{
    writer_.close();
}

void SpFileStream::write(const qint16* samples, int count)
{
    writer_.append(reinterpret_cast<const char*>(samples), qint64(count) * 2);
}

} // namespace vt
