#include "fake_window.h"

namespace vt::test
{

Answer FakeWindow::showMessage(const QString& text, Buttons buttons, Icon icon,
                               const QString& caption)
{
    messages.append({text, buttons, icon, caption});
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

QStringList FakeWindow::messageTexts() const
{
    QStringList texts;
    for (const Message& m : messages)
        texts.append(m.text);
    return texts;
}

} // namespace vt::test
