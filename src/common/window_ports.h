#pragma once

#include <QString>

// The core's view of the main window. The window implements these with Qt
// widgets; tests implement them with recording fakes, so every step of a run
// can be driven without a screen.
namespace vt
{

enum class Buttons { Ok, YesNo };
enum class Icon { None, Warning };
enum class Answer { Ok, Yes, No };

class MessageBoxPort
{
  public:
    virtual ~MessageBoxPort() = default;
    // An empty caption means the application title. Line breaks are "\n".
    virtual Answer showMessage(const QString& text, Buttons buttons = Buttons::Ok,
                               Icon icon = Icon::None, const QString& caption = {}) = 0;
};

class EventLoopPort
{
  public:
    virtual ~EventLoopPort() = default;
    // Lets the window handle its pending events once.
    virtual void yieldOnce() = 0;
};

class ProgressBarPort
{
  public:
    virtual ~ProgressBarPort() = default;
    virtual void setProgressValue(double value) = 0;
    virtual double progressValue() const = 0;
    virtual void setProgressCaption(const QString& caption) = 0;
    virtual QString progressCaption() const = 0;
};

// The window's mouse pointer; the numbers are the design's pointer values.
enum class Pointer { Default = 0, Hourglass = 11, Custom = 99 };

class PointerPort
{
  public:
    virtual ~PointerPort() = default;
    virtual void setPointer(Pointer pointer) = 0;
    virtual Pointer pointer() const = 0;
};

class BusyPort
{
  public:
    virtual ~BusyPort() = default;
    virtual bool busy() const = 0;
    virtual void setBusy(bool busy) = 0;
};

class BookRowsPort
{
  public:
    virtual ~BookRowsPort() = default;
    virtual int rowCount() const = 0;
    // Rows are numbered from 1, as the run counts books.
    virtual QString rowText(int row) const = 0;
    virtual void appendRow(const QString& text) = 0;
};

class ControlsPort
{
  public:
    virtual ~ControlsPort() = default;
    virtual bool option1() const = 0;
    virtual bool option2() const = 0;
    virtual QString text1() const = 0;
    // -1 when no voice is selected.
    virtual int combo1Index() const = 0;
    virtual int slider1() const = 0; // volume 0..100
    virtual int slider2() const = 0; // speed -10..10
    // "Write title, author, cover and chapters"; on unless a window says otherwise.
    virtual bool check1() const { return true; }
    // "Match each book's language"; off unless a window says otherwise.
    virtual bool check2() const { return false; }
};

class TimerPort
{
  public:
    virtual ~TimerPort() = default;
    virtual void setTimerInterval(int milliseconds) = 0;
    virtual void setTimerEnabled(bool enabled) = 0;
    virtual bool timerEnabled() const = 0;
};

// Everything the core may touch of the main window.
class WindowPort : public MessageBoxPort,
                   public EventLoopPort,
                   public ProgressBarPort,
                   public PointerPort,
                   public BusyPort,
                   public BookRowsPort,
                   public ControlsPort,
                   public TimerPort
{
  public:
    // Repaints the window at once (the timer tick asks for it).
    virtual void repaint() {}
    // Told the voice a book of the run is spoken with, before its conversion.
    virtual void showBookVoice(const QString& book, const QString& voice, const QString& note)
    {
        (void)book, (void)voice, (void)note;
    }
};

} // namespace vt
