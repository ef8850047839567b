// Converts books as the window's start button does, through the real chain,
// and prints what the run took:
//   convert_bench <output folder> <speed> <volume> <book.epub>...
//   -> "ok=N us=T user_us=U peak_kb=K children_peak_kb=C"
//   convert_bench --engine-speed <speed>
//   -> "wpm=W gap=G", how the engine is driven at that speed
// ok counts the books that got their MP3; peak_kb is this program's own
// peak memory, children_peak_kb that of the largest tool it ran.
#include "conversion_run.h"
#include "sp_voice.h"
#include "speech_engine.h"
#include "tool_chain.h"
#include "window_ports.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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
    void setTimerInterval(int) override {}
    void setTimerEnabled(bool) override {}
    bool timerEnabled() const override { return false; }

    QStringList rows;
    QString folder;
    int voice = -1;
    int volume = 100;
    int speed = 0;

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

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == u"--engine-speed"_s) {
        const vt::EngineSpeed speed = vt::SpeedForRate(args[2].toInt());
        std::printf("wpm=%d gap=%d\n", speed.wordsPerMinute, speed.wordGap);
        return 0;
    }
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: convert_bench <output folder> <speed> <volume> <book>...\n");
        return 2;
    }
    BenchWindow window;
    window.folder = args[1];
    window.speed = args[2].toInt();
    window.volume = args[3].toInt();
    window.rows = args.mid(4);
    // The voice the plain chain uses too: the engine's English.
    const vt::VoiceTokens voices = vt::SpVoice().GetVoices();
    for (int i = 0; i < voices.Count(); ++i)
        if (voices.Item(i).identifier() == "gmw/en")
            window.voice = i;

    vt::ToolChain chain(window);
    QElapsedTimer clock;
    clock.start();
    const vt::RunOutcome outcome = vt::PushButton1_Click(window, chain);
    const qint64 us = clock.nsecsElapsed() / 1000;
    int ok = 0;
    for (const vt::BookResult& book : outcome.books)
        ok += book.ok ? 1 : 0;
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("ok=%d us=%lld user_us=%lld peak_kb=%ld children_peak_kb=%ld\n", ok,
                static_cast<long long>(us), micro(self.ru_utime), self.ru_maxrss,
                children.ru_maxrss);
    return ok == int(outcome.books.size()) ? 0 : 1;
}
