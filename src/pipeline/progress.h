#pragma once

#include <QString>
#include <QtGlobal>

namespace vt
{

class ProgressBarPort;
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
