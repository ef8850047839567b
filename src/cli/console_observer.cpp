#include "cli/console_observer.h"

#include "tools/interruption.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vt
{

void PrintError(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

ConsoleObserver::ConsoleObserver(bool showProgress)
    : showProgress_(showProgress), terminal_(::isatty(2) == 1)
{
}

ConsoleObserver::~ConsoleObserver()
{
    endProgressLine();
}

QString ConsoleObserver::describe(const RunProgress& p)
{
    using Stage = RunProgress::Stage;
    if (p.stage == Stage::Preparing)
        return u"Preparing the converter and the encoder"_s;
    QString text = u"Book %1 of %2"_s.arg(p.book).arg(p.books);
    if (p.stage == Stage::Joining)
        return text + u": joining the parts"_s;
    if (p.piece > 0)
        text += u": part %1 of %2"_s.arg(p.piece).arg(p.pieces);
    if (p.stage == Stage::Speaking)
        text += u", speaking"_s;
    return text;
}

void ConsoleObserver::progress(const RunProgress& progress)
{
    if (!showProgress_)
        return;
    if (terminal_) {
        // One updating line, redrawn at most ten times a second.
        if (sinceShown_.isValid() && sinceShown_.elapsed() < 100)
            return;
        sinceShown_.start();
        PrintError(u"\r\x1b[K"_s + describe(progress) + u" (%1%)"_s.arg(int(progress.percent)));
        lineOpen_ = true;
        return;
    }
    // A log gets a line when the book or the part changes, not ten a second.
    RunProgress step = progress;
    if (step.stage == RunProgress::Stage::Speaking)
        step.stage = RunProgress::Stage::Working;
    const QString now = describe(step);
    if (now != lastShown_) {
        lastShown_ = now;
        PrintError(now + u'\n');
    }
}

void ConsoleObserver::message(const RunMessage& message)
{
    using Kind = RunMessage::Kind;
    QString line;
    switch (message.kind) {
    case Kind::Notice:
        line = message.text;
        break;
    case Kind::StepFailure: // "Speak.SaveToWAV", without the product's name
        line = message.text +
               u" (%1, step %2)"_s.arg(message.location.section(u'.', 1)).arg(message.line);
        break;
    case Kind::UnreadableBook:
        return; // its result line says why
    case Kind::VoiceUnavailable:
        line = u"the voice cannot be loaded ("_s + message.text + u"); try another with --voice"_s;
        break;
    }
    if (!message.book.isEmpty())
        line = message.book + u": "_s + line;
    endProgressLine();
    PrintError(u"vellumtone-cli: "_s + line.replace(u'\n', u' ') + u'\n');
}

void ConsoleObserver::bookStarted(const QString& book, const QString& voice, const QString& note)
{
    endProgressLine();
    PrintError(u"vellumtone-cli: "_s + book + u": "_s +
               (note.isEmpty() ? u"spoken with "_s + voice : note) + u'\n');
}

bool ConsoleObserver::stopRequested()
{
    QCoreApplication::processEvents();
    return Interrupted();
}

void ConsoleObserver::endProgressLine()
{
    if (lineOpen_) {
        PrintError(u"\r\x1b[K"_s);
        lineOpen_ = false;
    }
}

} // namespace vt
