#include "wav_reading.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cmath>

namespace vt::test
{

double WavFile::energy() const
{
    double sum = 0;
    for (qint16 s : samples)
        sum += double(s) * s;
    return samples.isEmpty() ? 0 : sum / samples.size();
}

bool WavFile::silent() const
{
    for (qint16 s : samples)
        if (s != 0)
            return false;
    return true;
}

WavFile readWav(const QString& path)
{
    WavFile wav;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return wav;
    const QByteArray bytes = file.readAll();
    wav.fileSize = bytes.size();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return wav;
    const char* p = bytes.constData();
    wav.riffSize = qFromLittleEndian<quint32>(p + 4);
    bool fmt = false;
    qint64 at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(p + at + 4);
        const qint64 body = at + 8;
        if (id == "fmt " && size >= 16 && body + 16 <= bytes.size()) {
            wav.format = qFromLittleEndian<quint16>(p + body);
            wav.channels = qFromLittleEndian<quint16>(p + body + 2);
            wav.sampleRate = int(qFromLittleEndian<quint32>(p + body + 4));
            wav.bitsPerSample = qFromLittleEndian<quint16>(p + body + 14);
            fmt = true;
        } else if (id == "data") {
            wav.dataSize = size;
            const qint64 available = qMin<qint64>(size, bytes.size() - body);
            wav.samples.resize(available / 2);
            for (qint64 i = 0; i < available / 2; ++i)
                wav.samples[i] = qFromLittleEndian<qint16>(p + body + 2 * i);
            wav.valid = fmt && wav.format == 1;
            return wav;
        }
        at = body + size + (size & 1);
    }
    return wav;
}

bool sameLength(const WavFile& a, const WavFile& b)
{
    const double difference = std::abs(double(a.samples.size()) - double(b.samples.size()));
    return difference <= 0.02 * double(qMax(a.samples.size(), b.samples.size()));
}

QString installedEngineData()
{
    for (const char* candidate :
         {"/usr/lib/x86_64-linux-gnu/espeak-ng-data", "/usr/lib/aarch64-linux-gnu/espeak-ng-data",
          "/usr/share/espeak-ng-data", "/usr/lib/espeak-ng-data"})
        if (QFileInfo(QString::fromLatin1(candidate) + QStringLiteral("/phontab")).exists())
            return QString::fromLatin1(candidate);
    return {};
}

QString linkedEngineData(const QString& into)
{
    const QString source = installedEngineData();
    const QString target = into + QStringLiteral("/espeak-ng-data");
    QDir().mkpath(target);
    const QDir from(source);
    for (const QFileInfo& entry : from.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        if (entry.fileName() == QStringLiteral("lang"))
            continue;
        QFile::link(entry.absoluteFilePath(), target + u'/' + entry.fileName());
    }
    QDirIterator files(source + QStringLiteral("/lang"), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        const QString copy = target + QStringLiteral("/lang") + file.mid(source.size() + 5);
        QDir().mkpath(QFileInfo(copy).absolutePath());
        QFile::link(file, copy);
    }
    return into;
}

} // namespace vt::test
