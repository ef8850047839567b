#include "audio_tools.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace vt::test
{

namespace
{

constexpr int kSideBySide = 4;

void start(QProcess& process, const ToolCommand& command)
{
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(command.program, command.arguments);
}

ToolResult finish(QProcess& process, const ToolCommand& command)
{
    ToolResult result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << command.program.toStdString() << " did not finish";
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QStringList ffprobeArguments(const QString& path)
{
    return {u"-v"_s,      u"error"_s, u"-show_entries"_s, u"format=duration"_s, u"-of"_s,
            u"csv=p=0"_s, path};
}

double seconds(const ToolResult& r)
{
    bool ok = false;
    const double value = QString::fromUtf8(r.out).trimmed().toDouble(&ok);
    EXPECT_TRUE(ok) << "ffprobe: " << r.out.toStdString() << r.err.toStdString();
    return ok ? value : -1;
}

} // namespace

ToolResult runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    const ToolCommand command{program, arguments};
    start(process, command);
    return finish(process, command);
}

QList<ToolResult> runTools(const QList<ToolCommand>& commands)
{
    QList<ToolResult> results;
    for (qsizetype from = 0; from < commands.size(); from += kSideBySide) {
        const qsizetype to = qMin(commands.size(), from + kSideBySide);
        std::vector<std::unique_ptr<QProcess>> batch;
        for (qsizetype i = from; i < to; ++i) {
            batch.push_back(std::make_unique<QProcess>());
            start(*batch.back(), commands[i]);
        }
        for (qsizetype i = from; i < to; ++i)
            results << finish(*batch[size_t(i - from)], commands[i]);
    }
    return results;
}

void speakToWav(const QString& text, const QString& wavPath)
{
    const ToolResult r = runTool(u"espeak-ng"_s, {u"-w"_s, wavPath, text});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
}

void encodeMp3(const QString& wavPath, const QString& mp3Path, const QStringList& extra)
{
    const ToolResult r = runTool(u"lame"_s, QStringList{u"-h"_s, u"--quiet"_s} + extra +
                                                QStringList{wavPath, mp3Path});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
}

void joinPieces(const QStringList& pieces, const QString& resultPath)
{
    QStringList arguments{u"-c"_s, u"cat \"$@\" > \"$0\""_s, resultPath};
    const ToolResult r = runTool(u"/bin/sh"_s, arguments + pieces);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
}

double ffprobeSeconds(const QString& path)
{
    return seconds(runTool(u"ffprobe"_s, ffprobeArguments(path)));
}

double ffprobeTotal(const QStringList& paths)
{
    QList<ToolCommand> commands;
    for (const QString& path : paths)
        commands.append({u"ffprobe"_s, ffprobeArguments(path)});
    double total = 0;
    for (const ToolResult& r : runTools(commands))
        total += seconds(r);
    return total;
}

QString ffmpegErrors(const QString& path)
{
    const ToolResult r = runTool(u"ffmpeg"_s, {u"-nostdin"_s, u"-v"_s, u"error"_s, u"-i"_s, path,
                                               u"-f"_s, u"null"_s, u"-"_s});
    return QString::fromUtf8(r.err + r.out).trimmed();
}

Mpg123Report mpg123Test(const QString& path)
{
    const ToolResult r = runTool(u"mpg123"_s, {u"-t"_s, u"-v"_s, path});
    Mpg123Report report;
    // Progress lines: "> 001+504  00:00.00+00:13.12 ...", elapsed + left.
    static const QRegularExpression progress(uR"((\d+):(\d+)\.(\d+)\+(\d+):(\d+)\.(\d+))"_s);
    static const QRegularExpression complaint(
        u"warning|error|illegal|frankenstein|skipped|resync"_s,
        QRegularExpression::CaseInsensitiveOption);
    const QString text = QString::fromUtf8(r.err + r.out);
    for (const QString& line : text.split(QRegularExpression(u"[\r\n]"_s), Qt::SkipEmptyParts)) {
        if (line.contains(u"Decoding of"_s) && line.contains(u"finished"_s))
            report.finished = true;
        if (complaint.match(line).hasMatch())
            report.complaints << line.trimmed();
        const auto m = progress.match(line);
        if (!m.hasMatch())
            continue;
        const auto seconds = [&](int at) {
            return m.captured(at).toInt() * 60 + m.captured(at + 1).toInt() +
                   m.captured(at + 2).toInt() / 100.0;
        };
        if (report.announced < 0)
            report.announced = seconds(1) + seconds(4);
        report.decoded = seconds(1) + seconds(4);
    }
    EXPECT_EQ(r.exitCode, 0) << text.toStdString();
    return report;
}

QString PlayersReadItAsFfprobeDoes(const QString& path)
{
    // Debian's python3, for which python3-mutagen and eyed3 are installed.
    // mutagen reads an MP3's chapters from its ID3 CHAP frames, an M4B's
    // from its Nero list; eyeD3's length comes from the Info frame, else
    // from the file's size and bit rate.
    static const QString script = uR"py(
import json, sys, mutagen
from mutagen.mp4 import MP4
f = mutagen.File(sys.argv[1])
out = {"channels": getattr(f.info, "channels", 0)}
if isinstance(f, MP4):
    out["chapters"] = [[c.start, c.title] for c in (f.chapters or [])]
else:
    import eyed3, logging
    logging.disable(logging.CRITICAL)
    frames = f.tags.getall("CHAP") if f.tags else []
    out["chapters"] = sorted([[c.start_time / 1000.0, str(c.sub_frames.get("TIT2", ""))]
                              for c in frames])
    out["eyed3"] = eyed3.load(sys.argv[1]).info.time_secs
print(json.dumps(out))
)py"_s;
    const ToolResult players = runTool(u"/usr/bin/python3"_s, {u"-c"_s, script, path});
    if (players.exitCode != 0)
        return u"mutagen or eyeD3 cannot read it: "_s + QString::fromUtf8(players.err).trimmed();
    const QJsonObject read = QJsonDocument::fromJson(players.out).object();
    const QJsonObject probe =
        QJsonDocument::fromJson(
            runTool(u"ffprobe"_s, {u"-v"_s, u"error"_s, u"-show_format"_s, u"-show_chapters"_s,
                                   u"-of"_s, u"json"_s, path})
                .out)
            .object();
    QStringList problems;
    const QJsonArray want = probe[u"chapters"_s].toArray();
    const QJsonArray got = read[u"chapters"_s].toArray();
    if (got.size() != want.size())
        problems << u"mutagen reads %1 chapters, ffprobe %2"_s.arg(got.size()).arg(want.size());
    for (qsizetype i = 0; i < std::min(got.size(), want.size()); ++i) {
        const double start = want[i][u"start_time"_s].toString().toDouble();
        const QString title = want[i][u"tags"_s][u"title"_s].toString();
        if (std::abs(got[i][0].toDouble() - start) > 0.01 || got[i][1].toString() != title)
            problems << u"chapter %1: mutagen %2 \"%3\", ffprobe %4 \"%5\""_s.arg(i)
                            .arg(got[i][0].toDouble())
                            .arg(got[i][1].toString())
                            .arg(start)
                            .arg(title);
    }
    const double seconds = probe[u"format"_s][u"duration"_s].toString().toDouble();
    if (read.contains(u"eyed3"_s) && std::abs(read[u"eyed3"_s].toDouble() - seconds) > 0.1)
        problems
            << u"eyeD3 gives %1 s, ffprobe %2 s"_s.arg(read[u"eyed3"_s].toDouble()).arg(seconds);
    if (read[u"channels"_s].toInt() != 1)
        problems << u"mutagen reads %1 channels"_s.arg(read[u"channels"_s].toInt());
    return problems.join(u"; "_s);
}

} // namespace vt::test
