#include "fake_window.h"

namespace vt::test
{

Answer FakeWindow::showMessage(const QString& text, Buttons buttons, Icon icon,
                               const QString& caption_)
{
    messages.append({text, buttons, icon, caption_});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return answers.isEmpty() ? Answer::No : answers.takeFirst();
}

void FakeWindow::yieldOnce()
{
    ++yields;
    if (onYield)
        onYield();
}

void FakeWindow::setProgressValue(double v)
{
    value = v;
    values.append(v);
}

void FakeWindow::setProgressCaption(const QString& text)
{
    caption = text;
    captions.append(text);
}

void FakeWindow::setTimerEnabled(bool on)
{
    timerOn = on;
    ++timerSwitches;
}

QStringList FakeWindow::messageTexts() const
{
    QStringList texts;
    for (const Message& m : messages)
        texts.append(m.text);
    return texts;
}

} // namespace vt::test
