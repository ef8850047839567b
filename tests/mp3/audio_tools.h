#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace vt::test
{

struct ToolResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

struct ToolCommand {
    QString program;
    QStringList arguments;
};

// Runs a tool to its end (a minute at most).
ToolResult runTool(const QString& program, const QStringList& arguments);
// Runs the tools side by side, a few at a time; the results in order.
QList<ToolResult> runTools(const QList<ToolCommand>& commands);

// Speaks a text into a 22 050 Hz mono WAV file, as the run's pieces are.
void speakToWav(const QString& text, const QString& wavPath);
// lame -h <extra> wav mp3
void encodeMp3(const QString& wavPath, const QString& mp3Path, const QStringList& extra = {});
// Joins the pieces byte-wise, as the run's join script does.
void joinPieces(const QStringList& pieces, const QString& resultPath);

// The duration ffprobe gives the file, in seconds.
double ffprobeSeconds(const QString& path);
// The sum of the files' durations.
double ffprobeTotal(const QStringList& paths);
// What ffmpeg reports at level "error" while decoding the whole file.
QString ffmpegErrors(const QString& path);

// What the libraries audiobook players and tag editors are built on make
// of a result, against ffprobe: mutagen must open it and read ffprobe's
// chapters (titles, and starts within 10 ms), and for an MP3 eyeD3's length
// must be ffprobe's within 0.1 s. The differences in words, "" for none.
QString PlayersReadItAsFfprobeDoes(const QString& path);

// mpg123 -t -v: the length it announces before decoding (taken from the
// file's Info header when there is one), the time it reached at the end,
// and anything it warned about.
struct Mpg123Report {
    double announced = -1;
    double decoded = -1;
    QStringList complaints;
    bool finished = false;
};
Mpg123Report mpg123Test(const QString& path);

} // namespace vt::test
