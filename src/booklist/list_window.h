#pragma once

#include "common/step_guard.h"

#include <QString>
#include <functional>

namespace vt
{

enum class Buttons { Ok, YesNo };
enum class Icon { None, Warning };
enum class Answer { Ok, Yes, No };

// The window's mouse pointer; the numbers are the design's pointer values.
enum class Pointer { Default = 0, Hourglass = 11, Custom = 99 };

// The main window as the book list's handlers see it: its rows, its pointer
// and its message boxes. The window implements it; tests record with it.
class BookListWindow
{
  public:
    virtual ~BookListWindow() = default;
    virtual int rowCount() const = 0;
    // Rows are numbered from 1.
    virtual QString rowText(int row) const = 0;
    virtual void appendRow(const QString& text) = 0;
    virtual void setPointer(Pointer pointer) = 0;
    // True while a conversion run or a speed test is going on.
    virtual bool busy() const = 0;
    // Lets the window handle its pending events once.
    virtual void yieldOnce() = 0;
    // An empty caption means the application title. Line breaks are "\n".
    virtual Answer showMessage(const QString& text, Buttons buttons = Buttons::Ok,
                               Icon icon = Icon::None, const QString& caption = {}) = 0;
    // A Yes/No question; `then` gets the answer. The window does not wait for
    // it while a conversion run goes on: the answer comes when it is given.
    virtual void ask(const QString& text, const std::function<void(Answer)>& then)
    {
        then(showMessage(text, Buttons::YesNo));
    }
};

// A failing step of a handler as the window shows it: the "Application
// Error" box.
inline StepReport ErrorBoxOf(BookListWindow& window)
{
    return [&window](const StepFailure& failure) {
        window.showMessage(applicationErrorText(failure), Buttons::Ok, Icon::Warning,
                           QStringLiteral("Application Error"));
    };
}

} // namespace vt
