// Cuts one text file as a conversion run does and prints the time the cut
// took and the peak memory of the process:
//   cut_bench <text file> [speed]
//   -> "pieces=N us=T user_us=U sys_us=S peak_kb=K yields=Y"
// The text file is deleted, as the run deletes it.
#include "common/window_ports.h"
#include "text/cutting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>
#include <sys/resource.h>

namespace
{

// The window as far as the cutter sees it: a speed and an event loop.
class BenchWindow : public vt::WindowPort
{
  public:
    explicit BenchWindow(int speed) : speed_(speed) {}
    vt::Answer showMessage(const QString& text, vt::Buttons, vt::Icon, const QString&) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return vt::Answer::Ok;
    }
    void yieldOnce() override
    {
        ++yields;
        QCoreApplication::processEvents();
    }
    void setProgressValue(double) override {}
    double progressValue() const override { return 0; }
    void setProgressCaption(const QString&) override {}
    QString progressCaption() const override { return {}; }
    void setPointer(vt::Pointer) override {}
    vt::Pointer pointer() const override { return vt::Pointer::Default; }
    bool busy() const override { return true; }
    void setBusy(bool) override {}
    int rowCount() const override { return 1; }
    QString rowText(int) const override { return {}; }
    void appendRow(const QString&) override {}
    bool option1() const override { return false; }
    bool option2() const override { return true; }
    QString text1() const override { return {}; }
    int combo1Index() const override { return -1; }
    int slider1() const override { return 100; }
    int slider2() const override { return speed_; }
    void setTimerInterval(int) override {}
    void setTimerEnabled(bool) override {}
    bool timerEnabled() const override { return false; }

    int yields = 0;

  private:
    int speed_;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: cut_bench <text file> [speed]\n");
        return 2;
    }
    BenchWindow window(args.size() > 2 ? args[2].toInt() : 0);
    QElapsedTimer clock;
    clock.start();
    const qint32 pieces = vt::CutTextFileFSO(args[1], window);
    const qint64 us = clock.nsecsElapsed() / 1000;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto micro = [](const timeval& t) {
        return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec;
    };
    std::printf("pieces=%d us=%lld user_us=%lld sys_us=%lld peak_kb=%ld yields=%d\n", pieces,
                static_cast<long long>(us), micro(usage.ru_utime), micro(usage.ru_stime),
                usage.ru_maxrss, window.yields);
    return 0;
}
