#include "app/form1.h"
#include "app/window_observer.h"
#include "common/files.h"
#include "common/startup.h"
#include "pipeline/chain.h"
#include "pipeline/conversion_run.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace vt
{

// "Start Converting To MP3": the whole list through the real chain. The
// controls are read once, here, into one job per book; what the user
// changes during the run counts from the next run on.
void Form1::PushButton1_Click()
{
    if (busy_) // [100]
        return;
    StepGuard g(errorBox(), u"Form1.PushButton1_Click"_s);
    g.step(102, [&] { busy_ = true; });
    bool refused = false;
    if (g.test(104, [&] { return rowCount() == 0; })) {
        showMessage(u"No files added."_s);
        refused = true;
    } else if (g.test(106, [&] { return !(IsFolder(Text1->text()) || Option2->isChecked()); })) {
        refused = !madeOutputFolder();
    }
    if (!refused) {
        QList<BookJob> jobs;
        g.step(136, [&] {
            QStringList books;
            for (int i = 1; i <= rowCount(); ++i)
                books.append(rowText(i));
            const SpeakSettings speech = speakSettings();
            JobSettings settings;
            settings.voice = speech.voice;
            settings.volume = speech.volume;
            settings.rate = speech.rate;
            settings.tags = Check1->isChecked();
            settings.matchLanguage = Check2->isChecked();
            settings.format = Combo2->currentIndex() == 1 ? OutputFormat::M4b : OutputFormat::Mp3;
            settings.splitChapters = Check3->isChecked();
            settings.option1 = Option1->isChecked();
            settings.option2 = Option2->isChecked();
            settings.folder = Text1->text();
            settings.listening = listenerChoices();
            settings.chosenParts = chosenParts_;
            jobs = MakeJobs(books, settings);
        });
        RunOutcome outcome;
        {
            WindowObserver observer(*this);
            const std::shared_ptr<Chain> chain = services_.makeChain();
            outcome = ConvertBooks(jobs, observer, *chain);
        }
        if (outcome.started) {
            // "Done." is read over the full bar; the bar is reset once it is
            // closed.
            g.step(268, [&] { setPointer(Pointer::Default); });
            g.step(272, [&] { setProgressCaption(kIdleCaption); });
            g.step(280, [&] {
                showMessage(RunSummary(outcome), Buttons::Ok,
                            outcome.failedBooks().isEmpty() ? Icon::None : Icon::Warning);
            });
            g.step(270, [&] { setProgressValue(0); });
        }
    }
    g.step(286, [&] { busy_ = false; });
}

void Form1::Timer1_Timer()
{
    if (observer_)
        observer_->timerTick();
}

// "?": why the program asks not to be disturbed while it works, and the keys
// that work the window.
void Form1::PushButton9_Click()
{
    QString keys;
    for (const QPushButton* button : {PushButton3, PushButton4, PushButton1, PushButton9})
        keys += u'\n' + button->shortcut().toString(QKeySequence::NativeText) + u": "_s +
                (button == PushButton9 ? u"this note"_s : button->text());
    showMessage(u"Most desktop software and most software on "_s + MakerSiteName() +
                u" allow you to multitask (do other things) while it is running.\n\n"
                u"This software is an exception. This software uses a lot of resources. Please "
                u"allow the software to run without multitasking so that it does not crash.\n\n"
                u"Please walk away from the computer and do something else if you are tempted to "
                u"multitask.\n\n"
                u"Keys:"_s +
                keys +
                u"\nTab, Shift+Tab: the next or the previous control"
                u"\nIn the list: Delete removes the current book, Ctrl+Up and Ctrl+Down move it"_s);
}

} // namespace vt
