#include "app/book_list_view.h"
#include "app/chapters_dialog.h"
#include "app/form1.h"
#include "app/pauses_dialog.h"
#include "app/pronunciation_editor.h"
#include "common/step_guard.h"
#include "epub/package.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vt
{

ListenerChoices Form1::listenerChoices() const
{
    ListenerChoices choices;
    choices.pronunciations = PronunciationListPath();
    const int chapter = PauseMilliseconds(settings_.text(key::ChapterPause), 60);
    choices.chapterPauseMs = chapter >= 0 ? chapter : 2000;
    choices.paragraphPauseMs = PauseMilliseconds(settings_.text(key::ParagraphPause), 10);
    return choices;
}

// What the listener decides is read by a run as it starts a book: it is
// not changed while one goes on (nor while the speed test speaks), and the
// user is told why.
bool Form1::waitForRun(const QString& action)
{
    if (!busy_)
        return false;
    showMessage(u"Please wait until "_s +
                (runInProgress() ? u"the conversion"_s : u"the speed test"_s) + u" ends, then "_s +
                action + u"."_s);
    return true;
}

// "Chapters…": the parts of the book selected in the list. The choice
// counts while the book is in the list; a choice that is the default is
// no choice.
void Form1::PusChapters_Click()
{
    if (waitForRun(u"choose the parts of a book that are read"_s))
        return;
    StepGuard g(errorBox(), u"Form1.PusChapters_Click"_s);
    QString path;
    g.step(100, [&] {
        const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
        if (!selected.isEmpty())
            path = selected.first()->text(0);
    });
    if (path.isEmpty()) {
        showMessage(u"Please select a book in the list first."_s);
        return;
    }
    QList<BookPart> parts;
    bool readable = false;
    g.step(102, [&] {
        const EpubBook book(path);
        readable = book.hasPackage();
        if (readable)
            parts = ReadBookParts(book);
    });
    const QString name = QFileInfo(path).fileName();
    if (!readable) {
        showMessage(name + u" cannot be read as an EPUB book."_s);
        return;
    }
    if (parts.isEmpty()) {
        showMessage(name + u" has no contents to choose from: the whole book is read."_s);
        return;
    }
    g.step(104, [&] {
        PartChoice current;
        if (const auto chosen = chosenParts_.constFind(path); chosen != chosenParts_.constEnd())
            current.chosen = *chosen;
        ChaptersDialog dialog(name, parts, current, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        if (dialog.isDefault())
            chosenParts_.remove(path);
        else
            chosenParts_.insert(path, dialog.chosen());
    });
}

// "Pronunciations…": the global list, used by every book from the next run on.
void Form1::PusPronunciations_Click()
{
    if (waitForRun(u"change the pronunciations"_s))
        return;
    StepGuard g(errorBox(), u"Form1.PusPronunciations_Click"_s);
    g.step(100, [&] {
        PronunciationEditor editor(
            PronunciationListPath(),
            [this](const QString& text) {
                speakAloud(text, u"Form1.PusPronunciations_Click.Listen"_s);
            },
            this);
        editor.exec();
    });
}

// "Pauses…": kept in the store as seconds, as the batch program reads them.
void Form1::PusPauses_Click()
{
    if (waitForRun(u"change the pauses"_s))
        return;
    StepGuard g(errorBox(), u"Form1.PusPauses_Click"_s);
    g.step(100, [&] {
        const ListenerChoices current = listenerChoices();
        PausesDialog dialog(current.chapterPauseMs, current.paragraphPauseMs, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        settings_.setText(key::ChapterPause, QString::number(dialog.chapterPauseMs() / 1000.0));
        const int paragraph = dialog.paragraphPauseMs();
        settings_.setText(key::ParagraphPause,
                          paragraph >= 0 ? QString::number(paragraph / 1000.0) : QString());
    });
}

} // namespace vt
