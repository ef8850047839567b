#pragma once

#include "common/window_ports.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace vt
{

// The batch converter's stand-in for the main window: message boxes become
// lines on standard error (questions are answered No), the progress caption
// becomes a progress line, and the controls hold the options of the command.
class ConsoleWindow : public WindowPort
{
  public:
    struct Settings {
        bool option1 = true;
        bool option2 = false;
        QString text1;
        int voice = 0;
        int volume = 100;
        int rate = -3;
        bool tags = true;
        bool matchLanguage = true;
    };

    ConsoleWindow(Settings settings, bool showProgress);
    ~ConsoleWindow() override;

    Answer showMessage(const QString& text, Buttons buttons, Icon icon,
                       const QString& caption) override;
    void yieldOnce() override;
    void setProgressValue(double value) override { value_ = value; }
    double progressValue() const override { return value_; }
    void setProgressCaption(const QString& caption) override;
    QString progressCaption() const override { return caption_; }
    void setPointer(Pointer pointer) override { pointer_ = pointer; }
    Pointer pointer() const override { return pointer_; }
    bool busy() const override { return busy_; }
    void setBusy(bool busy) override { busy_ = busy; }
    int rowCount() const override { return int(rows_.size()); }
    QString rowText(int row) const override { return rows_.at(row - 1); }
    void appendRow(const QString& text) override { rows_.append(text); }
    bool option1() const override { return settings_.option1; }
    bool option2() const override { return settings_.option2; }
    QString text1() const override { return settings_.text1; }
    int combo1Index() const override { return settings_.voice; }
    int slider1() const override { return settings_.volume; }
    int slider2() const override { return settings_.rate; }
    bool check1() const override { return settings_.tags; }
    bool check2() const override { return settings_.matchLanguage; }
    // A line on standard error: the voice, or the note on it.
    void showBookVoice(const QString& book, const QString& voice, const QString& note) override;
    void setTimerInterval(int milliseconds) override { timer_.setInterval(milliseconds); }
    void setTimerEnabled(bool enabled) override;
    bool timerEnabled() const override { return timer_.isActive(); }

    // Called at every yield, so that an interruption is handled promptly.
    std::function<void()> onYield;

  private:
    void endProgressLine();

    Settings settings_;
    bool showProgress_;
    bool terminal_;
    QStringList rows_;
    double value_ = 0;
    QString caption_;
    QString lastShown_;
    QElapsedTimer sinceShown_;
    bool lineOpen_ = false;
    Pointer pointer_ = Pointer::Default;
    bool busy_ = false;
    QTimer timer_;
};

} // namespace vt
