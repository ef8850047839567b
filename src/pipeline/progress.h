#pragma once

#include "common/window_ports.h"

#include <QString>
#include <QtGlobal>

namespace vt
{

class WindowPort;

// The number of the book in progress (from 1) and a counter raised at every
// progress step, timer tick and runner pass; both appear in the caption.
extern qint32 CurrentBook;
extern qint32 ActivityCounter;

inline const QString kIdleCaption = QStringLiteral("Progress Bar");
inline const QString kDeployCaption =
    QStringLiteral("Processing.. please wait patiently.. Please do not click on anything..");

// "Processing: 2 of 5.. please wait patiently.. Please do not click on anything..17"
QString ProcessingText(int rowCount);
void ShowProcessingText(WindowPort& window);
// The tick of Timer1 while a piece is spoken.
void Timer1_Timer(WindowPort& window);

// The bar's value while book `book` of `books` is worked on and `done` (0..1)
// of it is done: (book - 1) / books at its start, book / books at its end.
double BookProgress(int book, int books, double done);

// The bar as the join's waiting display sees it: the creep moves the value
// on, but never back and never past `cap`, so that the bar shows the end of
// a book only once the book is done.
class CappedBar : public ProgressBarPort
{
  public:
    CappedBar(ProgressBarPort& bar, double cap) : bar_(bar), cap_(cap) {}
    void setProgressValue(double value) override;
    double progressValue() const override { return bar_.progressValue(); }
    void setProgressCaption(const QString& caption) override { bar_.setProgressCaption(caption); }
    QString progressCaption() const override { return bar_.progressCaption(); }

  private:
    ProgressBarPort& bar_;
    double cap_;
};

// The display of one wait of the runner with progress: after about five
// seconds it counts the passes in the caption and lets the bar creep
// forward within the book's share.
class WaitingDisplay
{
  public:
    WaitingDisplay(WindowPort& window, ProgressBarPort* bar, QString caption, int startValue,
                   int bookCount);
    void pass();
    void finish();
    int passes() const { return k_; }

  private:
    WindowPort& window_;
    ProgressBarPort* bar_;
    QString caption_;
    int startValue_;
    int bookCount_;
    int k_ = 0;
};

} // namespace vt
