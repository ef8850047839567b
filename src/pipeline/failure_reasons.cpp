#include "pipeline/failure_reasons.h"

#include "common/files.h"
#include "common/path.h"
#include "speech/speech_engine.h"
#include "tools/command_runner.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

bool says(const QByteArray& output, const char* words)
{
    return output.contains(words);
}

// The last line a tool printed, shortened: often the one that names the fault.
QString lastLine(const QByteArray& output)
{
    const QList<QByteArray> lines = output.trimmed().split('\n');
    QString line = QString::fromUtf8(lines.isEmpty() ? QByteArray() : lines.last()).trimmed();
    if (line.size() > 200)
        line = line.left(200) + u"..."_s;
    return line;
}

QString withLastLine(const QString& reason, const QByteArray& output)
{
    const QString line = lastLine(output);
    return line.isEmpty() ? reason : reason + u" ("_s + line + u')';
}

// "could not be started (permission denied)": the cause when it is known.
QString notStarted(const QString& what, const ToolRun& ending)
{
    const QString cause = ending.startProblem;
    return what + u" could not be started"_s +
           (cause.isEmpty() ? QString() : u" ("_s + cause + u')');
}

// "calibre took longer than 6 minutes ...": a tool ended at its time limit.
QString stoppedAfter(const QString& what, const ToolRun& ending)
{
    const qint64 minutes = std::max<qint64>(1, (ending.timedOutAfterMs + 30000) / 60000);
    return what + u" took longer than "_s + QString::number(minutes) +
           (minutes == 1 ? u" minute"_s : u" minutes"_s) +
           u", far longer than a book of this size needs, and was stopped"_s;
}

bool writable(const QString& path)
{
    return ::access(Path(path).native().constData(), W_OK) == 0;
}

} // namespace

QString OnlyPicturesReason()
{
    return u"it holds only pictures: there is no text to speak"_s;
}

QString TextFailureReason(const QString& bookPath, const ToolRun& ending)
{
    const QByteArray& toolOutput = ending.output;
    struct stat book {
    };
    if (::stat(Path(bookPath).native().constData(), &book) != 0)
        return u"the book file could not be found (moved or deleted?)"_s;
    if (says(toolOutput, "ebook-convert is not installed"))
        return u"calibre is not installed (install the calibre package)"_s;
    if (ending.ran && !ending.started)
        return notStarted(u"calibre's ebook-convert"_s, ending);
    if (ending.timedOutAfterMs > 0)
        return stoppedAfter(u"calibre"_s, ending);
    if (book.st_size == 0)
        return u"the book file is empty"_s;
    if (says(toolOutput, "DRMError"))
        return u"the book is protected by DRM (copy protection) and cannot be read"_s;
    if (says(toolOutput, "Not a ZIP file") || says(toolOutput, "BadZipFile") ||
        says(toolOutput, "not a zip file"))
        return u"the file is not an EPUB book (it is not a ZIP archive, or a damaged one)"_s;
    if (says(toolOutput, "could not find opf") || says(toolOutput, "not a valid EPUB"))
        return u"the file is not a valid EPUB book (it holds no book contents)"_s;
    if (says(toolOutput, "Spine is empty")) // its reading order holds only pictures
        return OnlyPicturesReason();
    if (says(toolOutput, "Permission denied"))
        return u"the book file or the working folder could not be accessed (permission denied)"_s;
    if (says(toolOutput, "No space left") || says(toolOutput, "File too large"))
        return u"the working folder is full"_s;
    if (ending.crashed)
        return u"calibre stopped unexpectedly (it crashed or was ended)"_s;
    return withLastLine(u"calibre could not read the book"_s, toolOutput);
}

QString EncodeFailureReason(const QString& mp3Path, const ToolRun& ending)
{
    const QByteArray& toolOutput = ending.output;
    if (says(toolOutput, "lame is not installed"))
        return u"lame is not installed (install the lame package)"_s;
    if (ending.ran && !ending.started)
        return notStarted(u"the MP3 encoder lame"_s, ending);
    if (ending.timedOutAfterMs > 0)
        return stoppedAfter(u"the MP3 encoder lame"_s, ending);
    if (says(toolOutput, "No space left") || says(toolOutput, "File too large"))
        return u"the disk is full: the MP3 file could not be written"_s;
    if (const QString place = ResultPlaceProblem(mp3Path); !place.isEmpty())
        return place;
    if (ending.crashed)
        return u"the MP3 encoder lame stopped unexpectedly (it crashed or was ended)"_s;
    return withLastLine(u"the MP3 encoder lame failed"_s, toolOutput);
}

QString StreamFailureReason(const QString& mp3Path, const QString& error)
{
    if (error.contains(u"No space left"_s) || error.contains(u"File too large"_s))
        return u"the disk is full: the MP3 file could not be written"_s;
    if (const QString place = ResultPlaceProblem(mp3Path); !place.isEmpty())
        return place;
    return error;
}

QString JoinFailureReason(const QString& resultPath, const ToolRun& ending)
{
    const QByteArray& toolOutput = ending.output;
    if (ending.ran && !ending.started)
        return notStarted(u"the join of the parts by /bin/sh"_s, ending);
    if (ending.timedOutAfterMs > 0)
        return stoppedAfter(u"the join of the parts"_s, ending);
    if (says(toolOutput, "No space left") || says(toolOutput, "File too large"))
        return u"the disk is full: the MP3 file could not be written"_s;
    if (const QString place = ResultPlaceProblem(resultPath); !place.isEmpty())
        return place;
    if (ending.crashed)
        return u"the join of the parts stopped unexpectedly (it was ended)"_s;
    return withLastLine(u"the parts could not be joined into one MP3 file"_s, toolOutput);
}

QString ResultPlaceProblem(const QString& resultPath)
{
    struct stat st {
    };
    if (::lstat(Path(resultPath).native().constData(), &st) == 0 && S_ISLNK(st.st_mode))
        return u"the result "_s + resultPath +
               u" is a symbolic link; remove it or choose another folder"_s;
    const QFileInfo result(resultPath);
    const QString folder = result.absolutePath();
    if (IsFolder(resultPath))
        return u"a folder has the result's name "_s + resultPath +
               u"; rename it or choose another folder"_s;
    if (!QFileInfo(folder).isDir())
        return u"the output folder "_s + folder + u" does not exist (any more)"_s;
    if (result.exists() && !writable(resultPath))
        return u"the result file "_s + resultPath + u" already exists and is read-only"_s;
    if (!result.exists() && !writable(folder))
        return u"the output folder "_s + folder + u" is not writable"_s;
    return {};
}

int SpeakingHours(qint64 bytes, int rate)
{
    const double charactersPerHour = SpeedForRate(rate).wordsPerMinute * 6.0 * 60;
    return int(double(bytes) / charactersPerHour);
}

bool HasTextToSpeak(const QString& textPath)
{
    QFile file(textPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    while (!file.atEnd()) {
        const QString chunk = decoder.decode(file.read(64 * 1024));
        for (const QChar c : chunk)
            if (c.isLetterOrNumber())
                return true;
    }
    return false;
}

} // namespace vt
