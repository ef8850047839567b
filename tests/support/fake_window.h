#pragma once

#include "booklist/list_window.h"
#include "common/files.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace vt::test
{

// A recording stand-in for the main window as the book list's handlers and
// the numbered steps see it: rows are plain text, messages are kept in
// order, answers to questions are queued.
class FakeWindow : public BookListWindow
{
  public:
    struct Message {
        QString text;
        Buttons buttons;
        Icon icon;
        QString caption;
    };

    Answer showMessage(const QString& text, Buttons buttons, Icon icon,
                       const QString& caption) override;
    void yieldOnce() override;
    void setPointer(Pointer p) override { pointerValue = p; }
    Pointer pointer() const { return pointerValue; }
    bool busy() const override { return busyFlag; }
    int rowCount() const override { return int(rows.size()); }
    QString rowText(int row) const override { return rows.at(row - 1); }
    void appendRow(const QString& text) override { rows.append(text); }

    // Failing steps shown as the window shows them: "Application Error" boxes.
    StepReport report() { return ErrorBoxOf(*this); }
    // The window's yield, counted.
    Yield yield()
    {
        return [this] { yieldOnce(); };
    }
    // Texts of the messages shown so far.
    QStringList messageTexts() const;

    QStringList rows;
    bool busyFlag = false;
    Pointer pointerValue = Pointer::Default;
    QList<Message> messages;
    QList<Answer> answers; // answers to Yes/No questions, in order (No when empty)
    int yields = 0;
    std::function<void()> onYield; // lets a test act "during" a handler
};

} // namespace vt::test
