#include "app/window_observer.h"

#include "app/form1.h"
#include "common/build_config.h"

using namespace Qt::StringLiterals;

namespace vt
{

QString UnrecognisedFormatText(const QString& book, const QString& reason)
{
    QString why = reason;
    if (!why.isEmpty())
        why[0] = why[0].toUpper();
    return u"Error #213042: Unrecognized EPUB format.\n"_s + why + u".\n\n"_s + book +
           u"\n\nSoftware cannot operate with iTunes EPUB files for example.\n\n"
           u"Please email "_s +
           QStringLiteral(VT_SUPPORT_EMAIL) +
           u" with a screenshot of this message if you have any questions."_s;
}

QString ProcessingText(int book, int books, int activity)
{
    return u"Processing: "_s + QString::number(book) + u" of "_s + QString::number(books) +
           u".. please wait patiently.. Please do not click on anything.."_s +
           QString::number(activity);
}

WindowObserver::WindowObserver(Form1& form) : form_(form)
{
    form_.observer_ = this;
}

WindowObserver::~WindowObserver()
{
    form_.observer_ = nullptr;
}

void WindowObserver::progress(const RunProgress& progress)
{
    if (progress.book != book_) {
        book_ = progress.book;
        ticks_ = 0;
    }
    last_ = progress;
    if (form_.pointer() != Pointer::Hourglass)
        form_.setPointer(Pointer::Hourglass);
    const bool speaking = progress.stage == RunProgress::Stage::Speaking;
    if (speaking != form_.timerEnabled()) {
        form_.setTimerInterval(1000);
        form_.setTimerEnabled(speaking);
    }
    form_.setProgressValue(progress.percent);
    showCaption();
}

void WindowObserver::showCaption()
{
    if (last_.stage == RunProgress::Stage::Preparing) {
        form_.setProgressCaption(kDeployCaption);
        return;
    }
    QString caption = ProcessingText(last_.book, last_.books, last_.activity + ticks_);
    if (last_.stage == RunProgress::Stage::Joining && last_.waited >= 0)
        caption += u", Please wait.. "_s + QString::number(last_.waited);
    form_.setProgressCaption(caption);
}

void WindowObserver::timerTick()
{
    ++ticks_;
    showCaption();
    form_.yieldOnce();
    form_.repaint();
}

void WindowObserver::message(const RunMessage& message)
{
    switch (message.kind) {
    case RunMessage::Kind::Notice:
        form_.showMessage(message.text);
        break;
    case RunMessage::Kind::StepFailure:
        form_.showMessage(applicationErrorText({message.text, message.location, message.line}),
                          Buttons::Ok, Icon::Warning, u"Application Error"_s);
        break;
    case RunMessage::Kind::UnreadableBook:
        form_.showMessage(UnrecognisedFormatText(message.book, message.text));
        break;
    case RunMessage::Kind::VoiceUnavailable:
        form_.showMessage(message.text +
                          u"\n\nPlease try selecting another voice from the dropdown."_s);
        break;
    }
}

// Closing the window ends the process at once (Form1::closeEvent), so the
// window never asks a run to stop.
bool WindowObserver::stopRequested()
{
    form_.yieldOnce();
    return false;
}

} // namespace vt
