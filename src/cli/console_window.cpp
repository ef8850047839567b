#include "cli/console_window.h"

#include "pipeline/progress.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

void writeError(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

// The caption without its ever-changing counters, so that a log gets one
// line per stage rather than ten a second.
QString stage(const QString& caption)
{
    static const QRegularExpression counters(u"(\\.\\.\\d+)?(, Please wait\\.\\. \\d+)?$"_s);
    return QString(caption).remove(counters);
}

} // namespace

ConsoleWindow::ConsoleWindow(Settings settings, bool showProgress)
    : settings_(std::move(settings)), showProgress_(showProgress), terminal_(::isatty(2) == 1)
{
    QObject::connect(&timer_, &QTimer::timeout, [this] { Timer1_Timer(*this); });
}

ConsoleWindow::~ConsoleWindow()
{
    endProgressLine();
}

Answer ConsoleWindow::showMessage(const QString& text, Buttons buttons, Icon, const QString&)
{
    // The run's closing "Done." summary names no book here; the result lines
    // on standard output say how each book went.
    if (text.startsWith(u"Done."_s))
        return Answer::Ok;
    endProgressLine();
    QString line = text;
    line.replace(u"\n\n"_s, u"\n"_s).replace(u'\n', u' ');
    writeError(u"vellumtone-cli: "_s + line.trimmed() + u'\n');
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

void ConsoleWindow::showBookVoice(const QString& book, const QString& voice, const QString& note)
{
    endProgressLine();
    writeError(u"vellumtone-cli: "_s + book + u": "_s +
               (note.isEmpty() ? u"spoken with "_s + voice : note) + u'\n');
}

void ConsoleWindow::yieldOnce()
{
    QCoreApplication::processEvents();
    if (onYield)
        onYield();
}

void ConsoleWindow::setProgressCaption(const QString& caption)
{
    caption_ = caption;
    if (!showProgress_ || caption == kIdleCaption)
        return;
    if (terminal_) {
        // One updating line, redrawn at most ten times a second.
        if (sinceShown_.isValid() && sinceShown_.elapsed() < 100 && caption != kDeployCaption)
            return;
        sinceShown_.start();
        writeError(u"\r\x1b[K"_s + caption);
        lineOpen_ = true;
        return;
    }
    const QString now = stage(caption);
    if (now != lastShown_) {
        lastShown_ = now;
        writeError(now + u'\n');
    }
}

void ConsoleWindow::setTimerEnabled(bool enabled)
{
    if (enabled)
        timer_.start();
    else
        timer_.stop();
}

void ConsoleWindow::endProgressLine()
{
    if (lineOpen_) {
        writeError(u"\r\x1b[K"_s);
        lineOpen_ = false;
    }
}

} // namespace vt
