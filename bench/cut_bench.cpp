// Cuts one text file as a conversion run does and prints the time the cut
// took and the peak memory of the process:
//   cut_bench <text file> [speed]
//   -> "pieces=N us=T user_us=U sys_us=S peak_kb=K yields=Y"
// The text file is deleted, as the run deletes it.
#include "text/cutting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: cut_bench <text file> [speed]\n");
        return 2;
    }
    const int speed = args.size() > 2 ? args[2].toInt() : 0;
    int yields = 0;
    const auto report = [](const vt::StepFailure& f) {
        std::fprintf(stderr, "%s\n", qPrintable(f.description));
    };
    const auto yield = [&yields] {
        ++yields;
        QCoreApplication::processEvents();
    };
    QElapsedTimer clock;
    clock.start();
    const qint32 pieces = vt::CutTextFileFSO(args[1], speed, report, yield);
    const qint64 us = clock.nsecsElapsed() / 1000;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto micro = [](const timeval& t) {
        return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec;
    };
    std::printf("pieces=%d us=%lld user_us=%lld sys_us=%lld peak_kb=%ld yields=%d\n", pieces,
                static_cast<long long>(us), micro(usage.ru_utime), micro(usage.ru_stime),
                usage.ru_maxrss, yields);
    return 0;
}
