#pragma once

#include "common/window_ports.h"

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

// A recording stand-in for the main window: controls hold plain values,
// messages and captions are kept in order, answers to questions are queued.
class FakeWindow : public WindowPort
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
    void setProgressValue(double value) override;
    double progressValue() const override { return value; }
    void setProgressCaption(const QString& text) override;
    QString progressCaption() const override { return caption; }
    void setPointer(Pointer p) override { pointerValue = p; }
    Pointer pointer() const override { return pointerValue; }
    bool busy() const override { return busyFlag; }
    void setBusy(bool b) override { busyFlag = b; }
    int rowCount() const override { return int(rows.size()); }
    QString rowText(int row) const override { return rows.at(row - 1); }
    void appendRow(const QString& text) override { rows.append(text); }
    bool option1() const override { return opt1; }
    bool option2() const override { return opt2; }
    QString text1() const override { return folder; }
    int combo1Index() const override { return combo; }
    int slider1() const override { return volume; }
    int slider2() const override { return speed; }
    bool check1() const override { return tags; }
    void setTimerInterval(int ms) override { timerInterval = ms; }
    void setTimerEnabled(bool on) override;
    bool timerEnabled() const override { return timerOn; }
    void repaint() override { ++repaints; }

    // Texts of the messages shown so far.
    QStringList messageTexts() const;

    // Control values and recorded state, open for tests to set and read.
    QStringList rows;
    bool opt1 = true;
    bool opt2 = false;
    QString folder;
    int combo = 0;
    int volume = 100;
    int speed = -3;
    bool tags = true;
    bool busyFlag = false;
    Pointer pointerValue = Pointer::Default;
    double value = 0;
    QString caption = QStringLiteral("Progress Bar");
    QList<double> values; // every value the bar was given
    QStringList captions; // every caption the bar was given
    QList<Message> messages;
    QList<Answer> answers; // answers to Yes/No questions, in order (No when empty)
    int yields = 0;
    int repaints = 0;
    int timerInterval = 0;
    bool timerOn = false;
    int timerSwitches = 0;
    std::function<void()> onYield; // lets a test act "during" a run
};

} // namespace vt::test
