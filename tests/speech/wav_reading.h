#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

namespace vt::test
{

// A WAV file as the tests see it: the header fields and the samples.
struct WavFile {
    bool valid = false; // RIFF/WAVE with a PCM fmt chunk and a data chunk
    quint32 riffSize = 0;
    int format = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    quint32 dataSize = 0;
    qint64 fileSize = 0;
    QVector<qint16> samples;

    double seconds() const { return sampleRate ? double(samples.size()) / sampleRate : 0; }
    // Mean square of the samples.
    double energy() const;
    bool silent() const;
};

WavFile readWav(const QString& path);

// The engine varies its timing a little at random: two lengths of the same
// speech agree within 2 %.
bool sameLength(const WavFile& a, const WavFile& b);

// Folders holding the engine's data, built from the installed one so that a
// test can break it.
QString installedEngineData();
// A copy of the engine's data made of links, with its own voice folders so
// single voice files can be removed. Returns the folder to give as
// ESPEAK_DATA_PATH.
QString linkedEngineData(const QString& into);

} // namespace vt::test
