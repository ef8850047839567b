// Converts books as the window's start button does, through the real chain,
// and prints what the run took:
//   convert_bench [--no-tags] <output folder> <speed> <volume> <book.epub>...
//   -> "ok=N us=T user_us=U peak_kb=K children_peak_kb=C tag_us=G"
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
// is 0.
#include "audio/mp3_frames.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/window_ports.h"
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
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace
{

// The window as far as a run sees it: the list, the output folder, the
// voice, volume and speed, and an event loop.
class BenchWindow : public vt::WindowPort
{
  public:
    vt::Answer showMessage(const QString& text, vt::Buttons, vt::Icon, const QString&) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return vt::Answer::Ok;
    }
    void yieldOnce() override { QCoreApplication::processEvents(); }
    void setProgressValue(double v) override { value_ = v; }
    double progressValue() const override { return value_; }
    void setProgressCaption(const QString& c) override { caption_ = c; }
    QString progressCaption() const override { return caption_; }
    void setPointer(vt::Pointer p) override { pointer_ = p; }
    vt::Pointer pointer() const override { return pointer_; }
    bool busy() const override { return busy_; }
    void setBusy(bool b) override { busy_ = b; }
    int rowCount() const override { return int(rows.size()); }
    QString rowText(int row) const override { return rows.at(row - 1); }
    void appendRow(const QString& text) override { rows.append(text); }
    bool option1() const override { return true; }
    bool option2() const override { return false; }
    QString text1() const override { return folder; }
    int combo1Index() const override { return voice; }
    int slider1() const override { return volume; }
    int slider2() const override { return speed; }
    bool check1() const override { return tags; }
    void setTimerInterval(int) override {}
    void setTimerEnabled(bool) override {}
    bool timerEnabled() const override { return false; }

    QStringList rows;
    QString folder;
    int voice = -1;
    int volume = 100;
    int speed = 0;
    bool tags = true;

  private:
    double value_ = 0;
    QString caption_;
    vt::Pointer pointer_ = vt::Pointer::Default;
    bool busy_ = false;
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
        return vt::WorkingFile(u"output"_s + vt::PieceNumber(j) + u".txt"_s);
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
    vt::TagAudioBook(book, mp3, chapters);
    return clock.nsecsElapsed() / 1000;
}

// The position of the voice the benchmark speaks with; -1 when none has it.
int benchVoice()
{
    const QByteArray wanted =
        qEnvironmentVariableIsEmpty("BENCH_VOICE") ? QByteArray("gmw/en") : qgetenv("BENCH_VOICE");
    const vt::VoiceTokens voices = vt::SpVoice().GetVoices();
    for (int i = 0; i < voices.Count(); ++i)
        if (voices.Item(i).identifier() == wanted)
            return i;
    return -1;
}

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
    BenchWindow window;
    window.folder = args[1];
    window.speed = args[2].toInt();
    window.volume = args[3].toInt();
    window.rows = args.mid(4);
    window.tags = tags;
    // The voice the plain chain uses too.
    window.voice = benchVoice();
    if (window.voice < 0) {
        std::fprintf(stderr, "no voice %s\n", qgetenv("BENCH_VOICE").constData());
        return 2;
    }

    vt::ToolChain chain(window);
    QElapsedTimer clock;
    clock.start();
    const vt::RunOutcome outcome = vt::PushButton1_Click(window, chain);
    const qint64 us = clock.nsecsElapsed() / 1000;
    int ok = 0;
    qint64 tagUs = 0;
    for (const vt::BookResult& book : outcome.books) {
        ok += book.ok ? 1 : 0;
        if (book.ok && tags && outcome.books.size() == 1)
            tagUs += tagWorkUs(book.book, book.resultPath);
    }
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("ok=%d us=%lld user_us=%lld peak_kb=%ld children_peak_kb=%ld tag_us=%lld\n", ok,
                static_cast<long long>(us), micro(self.ru_utime), self.ru_maxrss,
                children.ru_maxrss, static_cast<long long>(tagUs));
    return ok == int(outcome.books.size()) ? 0 : 1;
}
