#include "speech/wav_writer.h"

#include "common/error.h"

#include <QtEndian>
#include <array>

using namespace Qt::StringLiterals;

namespace vt
{

namespace
{

constexpr qint64 kHeaderBytes = 44;

void put32(char* at, quint32 value)
{
    qToLittleEndian(value, at);
}

void put16(char* at, quint16 value)
{
    qToLittleEndian(value, at);
}

} // namespace

WavWriter::WavWriter(quint64 maxDataBytes) : maxDataBytes_(qMin(maxDataBytes, kMaxDataBytes)) {}

WavWriter::~WavWriter()
{
    finish(); // a failure here has no one to tell: close() is on every normal path
}

void WavWriter::open(const QString& path, int sampleRate, int channels, int bitsPerSample)
{
    close();
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        raise(err::PathFileAccess,
              u"Cannot create the WAV file "_s + path + u": "_s + file_.errorString());
    dataBytes_ = 0;

    const int blockAlign = channels * bitsPerSample / 8;
    std::array<char, kHeaderBytes> header{};
    char* h = header.data();
    std::copy_n("RIFF", 4, h);
    put32(h + 4, 36); // sizes are set on close
    std::copy_n("WAVEfmt ", 8, h + 8);
    put32(h + 16, 16);
    put16(h + 20, 1); // PCM
    put16(h + 22, quint16(channels));
    put32(h + 24, quint32(sampleRate));
    put32(h + 28, quint32(sampleRate * blockAlign));
    put16(h + 32, quint16(blockAlign));
    put16(h + 34, quint16(bitsPerSample));
    std::copy_n("data", 4, h + 36);
    put32(h + 40, 0);
    if (file_.write(h, kHeaderBytes) != kHeaderBytes)
        fail(err::DiskFull, u"Cannot write the WAV file "_s);
}

void WavWriter::append(const char* data, qint64 bytes)
{
    if (!file_.isOpen())
        raise(err::InvalidCall, u"The WAV file is not open."_s);
    if (bytes <= 0)
        return;
    if (quint64(bytes) > maxDataBytes_ - dataBytes_)
        raise(err::Overflow,
              u"The speech is too long for one WAV file: its audio would pass the 4 GiB "
              u"a WAV file can hold. Cut the text into smaller pieces."_s);
    if (file_.write(data, bytes) != bytes)
        fail(err::DiskFull, u"Cannot write the WAV file "_s);
    dataBytes_ += quint64(bytes);
}

void WavWriter::close()
{
    if (const QString error = finish(); !error.isEmpty())
        raise(err::DiskFull, u"Cannot finish the WAV file "_s + file_.fileName() + u": "_s + error);
}

QString WavWriter::finish()
{
    if (!file_.isOpen())
        return {};
    char size[4];
    bool ok = file_.flush();
    put32(size, quint32(36 + dataBytes_));
    ok = ok && file_.seek(4) && file_.write(size, 4) == 4;
    put32(size, quint32(dataBytes_));
    ok = ok && file_.seek(40) && file_.write(size, 4) == 4;
    ok = ok && file_.flush();
    const QString error = file_.errorString();
    file_.close();
    return ok ? QString() : error;
}

void WavWriter::fail(int number, const QString& what)
{
    const QString error = file_.errorString();
    raise(number, what + file_.fileName() + u": "_s + error);
}

} // namespace vt
