// Converts books as the window's start button does, through the real chain,
// and prints what the run took:
//   convert_bench [--no-tags] <output folder> <speed> <volume> <book.epub>...
//   -> "ok=N us=T user_us=U peak_kb=K children_peak_kb=C tag_us=G split_us=S"
//   convert_bench --engine-speed <speed>
//   -> "wpm=W gap=G", how the engine is driven at that speed
//   convert_bench --speak <voice identifier> <speed> <text file> <wav file>
//   -> "wall_us=T cpu_us=C audio_ms=A", one text spoken by the engine alone
// ok counts the books that got their MP3; peak_kb is this program's own
// peak memory, children_peak_kb that of the largest tool it ran. The voice
// is espeak-ng's English unless BENCH_VOICE names another one's identifier
// (cmu_us_slt for Flite's slt). tag_us is the work of the title, cover and
// chapters done once more on their own after the run (placing the chapters
// in the pieces left in the working folder, measuring the MP3, tagging it):
// what they add to the run; with --no-tags the run writes no tags and tag_us
// is 0. BENCH_FORMAT=m4b makes M4B books; BENCH_SPLIT=1 cuts each into a
// file per chapter, and split_us is the time the cutting took.
// BENCH_THREADS=N is --threads N (1: the sequential chain). Where the run's
// time went, in the wall clock: conv_us (calibre), speak_us (speaking, with
// the encoders at work beside it, or the sequential chain's speaking),
// encode_us (the sequential chain's encoding, or the encoders' tail after
// the speaking), finish_us (title, cover, chapters); and in CPU time:
// speech_cpu_us (the thread that speaks), encode_cpu_us (the encoders).
#include "audio/mp3_frames.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/working_folder.h"
#include "epub/package.h"
#include "pipeline/conversion_run.h"
#include "pipeline/tool_chain.h"
#include "speech/sp_file_stream.h"
#include "speech/sp_voice.h"
#include "speech/speech_engine.h"
#include "tags/book_tags.h"
#include "tags/chapter_timing.h"
#include "text/chapter_places.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <optional>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace
{

// A front end that lets Qt handle its events at every yield, as the
// programs do, and prints the messages.
class BenchObserver : public vt::RunObserver
{
  public:
    void progress(const vt::RunProgress&) override {}
    void message(const vt::RunMessage& m) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(m.text));
    }
    void bookStarted(const QString&, const QString&, const QString&) override {}
    void bookFinished(const vt::BookResult&) override {}
    bool stopRequested() override
    {
        QCoreApplication::processEvents();
        return false;
    }
};

long long micro(const timeval& t)
{
    return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec;
}

// The tag work of one finished book, done again on its own.
qint64 tagWorkUs(const QString& book, const QString& mp3)
{
    QStringList pieces;
    const auto piece = [](qint32 j) {
        return (vt::WorkingFolder().value() / (u"output"_s + vt::PieceNumber(j) + u".txt"_s))
            .text();
    };
    for (qint32 j = 1; vt::FileExists(piece(j)); ++j)
        pieces << piece(j);
    QElapsedTimer clock;
    clock.start();
    const vt::EpubBook epub(book);
    const QList<vt::ChapterPlace> places =
        vt::LocateChapters(epub, vt::ReadEpubContents(epub), pieces);
    vt::Mp3FrameSamples(mp3);
    QList<vt::BookChapter> chapters;
    for (qsizetype i = 0; i < places.size(); ++i)
        chapters.append({places[i].title, i * 1000, i * 1000 + 1000});
    (void)vt::TagAudioBook(epub, mp3, chapters);
    return clock.nsecsElapsed() / 1000;
}

// The voice the benchmark speaks with; none when it is not installed.
std::optional<vt::VoiceToken> benchVoice()
{
    const QByteArray wanted =
        qEnvironmentVariableIsEmpty("BENCH_VOICE") ? QByteArray("gmw/en") : qgetenv("BENCH_VOICE");
    for (const vt::VoiceToken& voice : vt::SpVoice().GetVoices())
        if (voice.identifier() == wanted)
            return voice;
    return std::nullopt;
}

long long threadCpuUs()
{
    rusage r{};
    getrusage(RUSAGE_THREAD, &r);
    return micro(r.ru_utime) + micro(r.ru_stime);
}

long long processCpuUs()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return micro(r.ru_utime) + micro(r.ru_stime);
}

// Wall time of a step into `wall`; this thread's CPU time into `own`, the
// other threads' into `others`.
template <class F> auto timed(qint64& wall, long long& own, long long& others, F&& step)
{
    QElapsedTimer clock;
    clock.start();
    const long long thread = threadCpuUs();
    const long long process = processCpuUs();
    struct Add {
        QElapsedTimer& clock;
        qint64& wall;
        long long& own;
        long long& others;
        long long thread, process;
        ~Add()
        {
            const long long mine = threadCpuUs() - thread;
            wall += clock.nsecsElapsed() / 1000;
            own += mine;
            others += processCpuUs() - process - mine;
        }
    } add{clock, wall, own, others, thread, process};
    return step();
}

// The real chain, timing its steps and the cutting of books into chapter files.
class TimedChain : public vt::ToolChain
{
  public:
    vt::ToolRun readEpubToText() override
    {
        return timed(convUs, unused, unused, [&] { return ToolChain::readEpubToText(); });
    }
    bool speakPiece(const QString& source, const QString& target) override
    {
        return timed(speakUs, speechCpuUs, encodeCpuUs,
                     [&] { return ToolChain::speakPiece(source, target); });
    }
    void saveToWav(const QString& source, const QString& wav) override
    {
        timed(speakUs, speechCpuUs, unused, [&] { ToolChain::saveToWav(source, wav); });
    }
    vt::Expected<void> finishPieces() override
    {
        return timed(encodeUs, unused, encodeCpuUs, [&] { return ToolChain::finishPieces(); });
    }
    vt::Expected<void> encodePiece(const QString& wav, const QString& target) override
    {
        // The deployed encoder is a process of its own: its time is the step's.
        const qint64 before = encodeUs;
        vt::Expected<void> done =
            timed(encodeUs, unused, unused, [&] { return ToolChain::encodePiece(wav, target); });
        encodeCpuUs += encodeUs - before;
        return done;
    }
    vt::Expected<QStringList> finishResult(const QString& resultPath) override
    {
        return timed(finishUs, unused, unused, [&] { return ToolChain::finishResult(resultPath); });
    }
    vt::Expected<int> splitResult(const QString& resultPath, const QString& folder) override
    {
        QElapsedTimer clock;
        clock.start();
        vt::Expected<int> split = ToolChain::splitResult(resultPath, folder);
        splitUs += clock.nsecsElapsed() / 1000;
        return split;
    }
    qint64 splitUs = 0;
    qint64 convUs = 0, speakUs = 0, encodeUs = 0, finishUs = 0;
    long long speechCpuUs = 0, encodeCpuUs = 0, unused = 0;
};

// Speaks a text file into a WAV file and prints the time it took.
int speakAlone(const QStringList& args)
{
    vt::SpVoice voice;
    const vt::VoiceTokens voices = voice.GetVoices();
    for (const vt::VoiceToken& token : voices)
        if (token.identifier() == args[2].toUtf8())
            voice.setVoice(token);
    if (!voice.voice()) {
        std::fprintf(stderr, "no voice %s\n", qPrintable(args[2]));
        return 2;
    }
    voice.setRate(args[3].toInt());
    auto stream = std::make_shared<vt::SpFileStream>();
    stream->Open(args[5]);
    voice.setAudioOutputStream(stream);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer clock;
    clock.start();
    voice.Speak(args[4], vt::SpVoice::SVSFIsFilename);
    stream->Close();
    const qint64 us = clock.nsecsElapsed() / 1000;
    getrusage(RUSAGE_SELF, &after);
    const long long cpu = micro(after.ru_utime) + micro(after.ru_stime) - micro(before.ru_utime) -
                          micro(before.ru_stime);
    const qint64 bytes = QFileInfo(args[5]).size() - 44;
    std::printf("wall_us=%lld cpu_us=%lld audio_ms=%lld\n", static_cast<long long>(us), cpu,
                static_cast<long long>(bytes / 2 * 1000 / vt::kSpeechSampleRate));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Covers are drawn as in the programs, which are GUI applications.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool tags = !(args.size() > 1 && args[1] == u"--no-tags"_s);
    if (!tags)
        args.removeAt(1);
    if (args.size() == 3 && args[1] == u"--engine-speed"_s) {
        const vt::EngineSpeed speed = vt::SpeedForRate(args[2].toInt());
        std::printf("wpm=%d gap=%d\n", speed.wordsPerMinute, speed.wordGap);
        return 0;
    }
    if (args.size() == 6 && args[1] == u"--speak"_s)
        return speakAlone(args);
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: convert_bench [--no-tags] <output folder> <speed> <volume> "
                             "<book>...\n");
        return 2;
    }
    vt::JobSettings settings;
    settings.folder = args[1];
    settings.rate = args[2].toInt();
    settings.volume = args[3].toInt();
    settings.tags = tags;
    // The voice the plain chain uses too.
    settings.voice = benchVoice();
    if (!settings.voice) {
        std::fprintf(stderr, "no voice %s\n", qgetenv("BENCH_VOICE").constData());
        return 2;
    }
    if (qgetenv("BENCH_FORMAT") == "m4b")
        settings.format = vt::OutputFormat::M4b;
    settings.splitChapters = qgetenv("BENCH_SPLIT") == "1";
    settings.threads = qEnvironmentVariableIntValue("BENCH_THREADS");
    BenchObserver observer;
    TimedChain chain;
    QElapsedTimer clock;
    clock.start();
    const vt::RunOutcome outcome =
        vt::ConvertBooks(vt::MakeJobs(args.mid(4), settings), observer, chain);
    const qint64 us = clock.nsecsElapsed() / 1000;
    int ok = 0;
    qint64 tagUs = 0;
    for (const vt::BookResult& book : outcome.books) {
        ok += book.ok ? 1 : 0;
        if (book.ok && tags && outcome.books.size() == 1 &&
            settings.format == vt::OutputFormat::Mp3 && !settings.splitChapters)
            tagUs += tagWorkUs(book.book, book.resultPath);
    }
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("ok=%d us=%lld user_us=%lld peak_kb=%ld children_peak_kb=%ld tag_us=%lld "
                "split_us=%lld conv_us=%lld speak_us=%lld encode_us=%lld finish_us=%lld "
                "speech_cpu_us=%lld encode_cpu_us=%lld\n",
                ok, static_cast<long long>(us), micro(self.ru_utime), self.ru_maxrss,
                children.ru_maxrss, static_cast<long long>(tagUs),
                static_cast<long long>(chain.splitUs), static_cast<long long>(chain.convUs),
                static_cast<long long>(chain.speakUs), static_cast<long long>(chain.encodeUs),
                static_cast<long long>(chain.finishUs), chain.speechCpuUs, chain.encodeCpuUs);
    return ok == int(outcome.books.size()) ? 0 : 1;
}
