#pragma once

#include "common/run_observer.h"

#include <QElapsedTimer>
#include <QString>

namespace vt
{

// A run as the batch program shows it on standard error: a progress line
// (redrawn in place on a terminal, a line per part in a log), the voice of
// each book, and the problems in a line each. The result lines on standard
// output are the caller's. Asks the run to stop once a signal has come.
class ConsoleObserver : public RunObserver
{
  public:
    explicit ConsoleObserver(bool showProgress);
    ~ConsoleObserver() override;

    void progress(const RunProgress& progress) override;
    void message(const RunMessage& message) override;
    void bookStarted(const QString& book, const QString& voice, const QString& note) override;
    void bookFinished(const BookResult&) override {}
    bool stopRequested() override;

    // "Book 2 of 5: part 3 of 12, speaking": what a run is doing, in words.
    static QString describe(const RunProgress& progress);

  private:
    void endProgressLine();

    bool showProgress_;
    bool terminal_;
    QString lastShown_;
    QElapsedTimer sinceShown_;
    bool lineOpen_ = false;
};

// A line on standard error, UTF-8.
void PrintError(const QString& line);

} // namespace vt
