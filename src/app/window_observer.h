#pragma once

#include "common/run_observer.h"

#include <QString>

namespace vt
{

class Form1;

inline const QString kIdleCaption = QStringLiteral("Progress Bar");
inline const QString kDeployCaption =
    QStringLiteral("Processing.. please wait patiently.. Please do not click on anything..");

// "Processing: 2 of 5.. please wait patiently.. Please do not click on anything..17"
QString ProcessingText(int book, int books, int activity);

// The box of a book that gave no text: the error's first line, the reason
// the summary names as the second, then the book and the rest of the error.
QString UnrecognisedFormatText(const QString& book, const QString& reason);

// A run as the main window shows it: the bar and its caption, the
// hourglass, Timer1 while a piece is spoken, the message boxes (which never
// hold the run up), and the window's events handled at every yield.
class WindowObserver : public RunObserver
{
  public:
    // Timer1's ticks reach this observer while it lives.
    explicit WindowObserver(Form1& form);
    ~WindowObserver() override;
    WindowObserver(const WindowObserver&) = delete;
    WindowObserver& operator=(const WindowObserver&) = delete;

    void progress(const RunProgress& progress) override;
    void message(const RunMessage& message) override;
    void bookStarted(const QString&, const QString&, const QString&) override {}
    void bookFinished(const BookResult&) override {}
    bool stopRequested() override;

    // A tick of Timer1: the counter goes on and the caption with it.
    void timerTick();

  private:
    void showCaption();

    Form1& form_;
    RunProgress last_;
    int book_ = 0;  // the book whose ticks are counted
    int ticks_ = 0; // Timer1's ticks in this book
};

} // namespace vt
