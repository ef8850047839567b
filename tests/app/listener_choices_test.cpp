#include "app/book_list_view.h"
#include "app/chapters_dialog.h"
#include "app/pauses_dialog.h"
#include "app/pronunciation_editor.h"
#include "app_fixture.h"
#include "epub_maker.h"
#include "scripted_chain.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace vt::test
{
namespace
{

// Each row as "word|spoken|problem".
QStringList rowsOf(const PronunciationEditor* editor)
{
    QStringList rows;
    const QTableWidget* t = editor->table();
    for (int row = 0; row < t->rowCount(); ++row)
        rows << t->item(row, 0)->text() + u'|' + t->item(row, 1)->text() + u'|' +
                    t->item(row, 2)->text();
    return rows;
}

// Each part as the dialog shows it, indented by level.
QStringList partsOf(const ChaptersDialog* dialog)
{
    QStringList parts;
    for (QTreeWidgetItemIterator it(dialog->tree()); *it; ++it) {
        int depth = 0;
        for (const QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent())
            ++depth;
        const QString kind = (*it)->text(1);
        parts << QString(2 * depth, u' ') +
                     ((*it)->checkState(0) == Qt::Checked ? u"[x] "_s : u"[ ] "_s) +
                     (*it)->text(0) + (kind.isEmpty() ? QString() : u" ("_s + kind + u')');
    }
    return parts;
}

void setRow(PronunciationEditor* editor, int row, const QString& word, const QString& spoken)
{
    editor->table()->item(row, 0)->setText(word);
    editor->table()->item(row, 1)->setText(spoken);
}

} // namespace

TEST_F(AppTest, ThePronunciationEditorKeepsItsRowsBetweenStarts)
{
    auto form = loadedForm();
    boxes.dialogs << [](QDialog* d) {
        auto* editor = static_cast<PronunciationEditor*>(d);
        editor->addButton()->click();
        setRow(editor, 0, u"Ahab"_s, u"Ay-hab"_s);
        editor->addButton()->click();
        setRow(editor, 1, u" /St\\. (\\w+)/ "_s, u"Saint $1"_s);
        editor->addButton()->click(); // left empty: no rule
        editor->okButton()->click();
    };
    form->controls().PusPronunciations->click();
    const QByteArray saved = "# word = how to say it; /pattern/ = replacement\n"
                             "Ahab = Ay-hab\n/St\\. (\\w+)/ = Saint $1\n";
    EXPECT_EQ(readFile(PronunciationListPath()), saved);

    // After a new start the rows are there; Cancel leaves the file as it was.
    form = loadedForm();
    QStringList rows;
    boxes.dialogs << [&](QDialog* d) {
        auto* editor = static_cast<PronunciationEditor*>(d);
        rows = rowsOf(editor);
        editor->removeButton()->click();
        editor->cancelButton()->click();
    };
    form->controls().PusPronunciations->click();
    EXPECT_EQ(rows, (QStringList{u"Ahab|Ay-hab|"_s, u"/St\\. (\\w+)/|Saint $1|"_s}));
    EXPECT_EQ(readFile(PronunciationListPath()), saved);
    EXPECT_EQ(boxes.dialogTitles, QStringList(2, u"Pronunciations"_s));
}

// Rules of the file that cannot be used are rows with their problem, which
// follows the edits; Listen says a usable row with the window's voice.
TEST_F(AppTest, ThePronunciationEditorShowsARulesProblemBesideItsRow)
{
    writeFile(PronunciationListPath(),
              "# names\nAhab = Ay-hab\n/(/ = x\nno equals here\n= nothing\n");
    QStringList heard;
    Form1* self = nullptr;
    Form1::Services services;
    services.saveToWav = [&](const QString& source, const QString& wav, const SpeakSettings& s,
                             const SpeechCalls&) {
        heard << u"%1|%2|%3|%4"_s.arg(source, wav).arg(s.volume).arg(s.rate);
        EXPECT_TRUE(self->busy());
    };
    auto form = loadedForm(services);
    self = form.get();
    form->controls().Slider1->setValue(40);
    QStringList rows, edited;
    QString note;
    bool listenOnBadRow = true;
    boxes.dialogs << [&](QDialog* d) {
        auto* editor = static_cast<PronunciationEditor*>(d);
        QTableWidget* t = editor->table();
        rows = rowsOf(editor);
        note = editor->note()->text();
        t->setCurrentCell(1, 1);
        listenOnBadRow = editor->listenButton()->isEnabled();
        EXPECT_FALSE(t->item(1, 2)->icon().isNull());
        EXPECT_EQ(t->item(1, 0)->toolTip(), t->item(1, 2)->text());
        setRow(editor, 1, u"/\\(/"_s, u"x"_s);
        setRow(editor, 2, u"a=b"_s, u"c"_s);
        editor->addButton()->click();
        setRow(editor, 3, u"/x"_s, u"y"_s);
        edited = rowsOf(editor);
        EXPECT_TRUE(t->item(1, 2)->icon().isNull());
        t->setCurrentCell(1, 1);
        editor->listenButton()->click();
        t->setCurrentCell(0, 0);
        editor->listenButton()->click();
        editor->cancelButton()->click();
    };
    form->controls().PusPronunciations->click();
    EXPECT_EQ(rows, (QStringList{u"Ahab|Ay-hab|"_s,
                                 u"/(/|x|the pattern does not compile: missing closing "
                                 u"parenthesis (at character 2)"_s,
                                 u"|nothing|the word is empty"_s}));
    EXPECT_EQ(note, u"Lines of the file that are no rule, left out when the list is saved: "
                    u"line 4: no \"=\" between the word and how to say it"_s);
    EXPECT_FALSE(listenOnBadRow);
    EXPECT_EQ(edited,
              (QStringList{u"Ahab|Ay-hab|"_s, u"/\\(/|x|"_s, u"a=b|c|a word cannot hold \"=\""_s,
                           u"/x|y|a word cannot begin with \"/\"; a pattern is written "
                           u"/pattern/"_s}));
    EXPECT_EQ(heard, (QStringList{u"x||40|-3"_s, u"Ay-hab||40|-3"_s}));
    EXPECT_FALSE(form->busy());
}

TEST_F(AppTest, ThePronunciationEditorIsReachableByKeyboardWithSpokenNames)
{
    auto form = loadedForm();
    form->show();
    QStringList order;
    QStringList rows;
    boxes.dialogs << [&](QDialog* d) {
        auto* editor = static_cast<PronunciationEditor*>(d);
        QWidget* w = editor->table();
        do {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(d))
                order << QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
        } while ((w = w->nextInFocusChain()) != editor->table());
        // Alt+A adds a row and edits its word; Tab goes on to how it is said.
        QTest::keyClick(editor, Qt::Key_A, Qt::AltModifier);
        QTest::qWait(300); // a key clicks its button with a visible delay
        QTest::keyClicks(QApplication::focusWidget(), u"Queequeg"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::qWait(50); // the word's editor goes, the next cell's takes the keys
        QTest::keyClicks(QApplication::focusWidget(), u"Kwee-kweg"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::qWait(50); // Return commits once the editor has seen the key
        rows = rowsOf(editor);
        editor->reject();
    };
    form->controls().PusPronunciations->click();
    EXPECT_EQ(order.join(u", "_s),
              u"Pronunciation rules, Add Rule, Remove Rule, Listen, OK, Cancel"_s);
    EXPECT_EQ(rows, QStringList{u"Queequeg|Kwee-kweg|"_s});
}

TEST_F(AppTest, PausesAreKeptAndReachTheJobs)
{
    QTemporaryDir books;
    const auto chain = std::make_shared<ScriptedChain>();
    Form1::Services services;
    services.makeChain = [chain] { return chain; };
    auto form = loadedForm(services);
    form->controls().Option2->click();
    const QString book = books.filePath(u"a.epub"_s);
    writeFile(book, "epub");
    form->appendRow(book);

    QString shown;
    boxes.dialogs << [&](QDialog* d) {
        auto* pauses = static_cast<PausesDialog*>(d);
        shown = u"%1 %2 %3"_s.arg(pauses->chapterPause()->value())
                    .arg(pauses->longerParagraphPause()->isChecked())
                    .arg(pauses->paragraphPause()->isEnabled());
        EXPECT_EQ(pauses->chapterPause()->maximum(), 60);
        EXPECT_EQ(pauses->paragraphPause()->maximum(), 10);
        QTest::keyClick(pauses->chapterPause(), Qt::Key_Up); // in steps of half a second
        pauses->longerParagraphPause()->click();
        pauses->paragraphPause()->setValue(1.5);
        pauses->accept();
    };
    form->controls().PusPauses->click();
    EXPECT_EQ(shown, u"2 0 0"_s);
    EXPECT_EQ(stored(key::ChapterPause), u"2.5"_s);
    EXPECT_EQ(stored(key::ParagraphPause), u"1.5"_s);
    form->controls().PushButton1->click();
    ASSERT_EQ(chain->started.size(), 1);
    EXPECT_EQ(chain->started[0].listening.chapterPauseMs, 2500);
    EXPECT_EQ(chain->started[0].listening.paragraphPauseMs, 1500);
    EXPECT_EQ(chain->started[0].listening.pronunciations, PronunciationListPath());

    // After a new start the dialog shows them; unchecked is the engine's own.
    form = loadedForm(services);
    boxes.dialogs << [&](QDialog* d) {
        auto* pauses = static_cast<PausesDialog*>(d);
        shown =
            u"%1 %2"_s.arg(pauses->chapterPause()->value()).arg(pauses->paragraphPause()->value());
        pauses->longerParagraphPause()->click();
        pauses->accept();
    };
    form->controls().PusPauses->click();
    EXPECT_EQ(shown, u"2.5 1.5"_s);
    EXPECT_EQ(stored(key::ParagraphPause), u""_s);
    EXPECT_EQ(form->listenerChoices().paragraphPauseMs, -1);
    store(key::ChapterPause, u"90"_s); // beyond the range: the default
    EXPECT_EQ(form->listenerChoices().chapterPauseMs, 2000);
}

// During a run the parts, pronunciations and pauses wait for its end, and
// say so in boxes that do not hold the run up.
TEST_F(AppTest, DuringARunTheListenersChoicesSayWhyTheyWait)
{
    QTemporaryDir books;
    const auto chain = std::make_shared<ScriptedChain>();
    Form1::Services services;
    services.makeChain = [chain] { return chain; };
    auto form = loadedForm(services);
    form->show();
    form->controls().Option2->click();
    const QString book = books.filePath(u"a.epub"_s);
    writeFile(book, "epub");
    form->appendRow(book);
    form->controls().ListView1->setCurrentItem(form->controls().ListView1->topLevelItem(0));
    chain->onSpeak = [&] {
        form->controls().PusChapters->click();
        form->controls().PusPronunciations->click();
        form->controls().PusPauses->click();
    };
    QStringList beside;
    boxes.onShown = [&](QMessageBox& done) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box != &done && box->isVisible())
                beside << box->text();
    };
    form->controls().PushButton1->click();
    beside.sort();
    EXPECT_EQ(beside,
              (QStringList{u"Please wait until the conversion ends, then change the pauses."_s,
                           u"Please wait until the conversion ends, then change the "
                           u"pronunciations."_s,
                           u"Please wait until the conversion ends, then choose the parts of a "
                           u"book that are read."_s}));
    EXPECT_EQ(boxes.dialogTitles, QStringList());
}

// The parts chosen for a book go into its job while it is in the list.
TEST_F(AppTest, ChosenChaptersReachTheJobsWhileTheBookIsInTheList)
{
    QTemporaryDir output;
    const auto chain = std::make_shared<ScriptedChain>();
    Form1::Services services;
    services.makeChain = [chain] { return chain; };
    auto form = loadedForm(services);
    form->controls().Text1->setText(output.path());
    form->controls().PusChapters->click();
    const QString moby = testBook(u"moby-dick-excerpt.epub"_s);
    const QString plain = output.filePath(u"plain.epub"_s);
    makeEpub(plain,
             opfDocument("<dc:title>Plain</dc:title>",
                         R"(<item id="p" href="p.xhtml" media-type="application/xhtml+xml"/>)",
                         R"(<spine><itemref idref="p"/></spine>)"),
             {{u"p.xhtml"_s, xhtmlPage("<p>Yes.</p>")}});
    form->appendRow(moby);
    form->appendRow(plain);
    BookListView* list = form->controls().ListView1;
    list->setCurrentItem(list->topLevelItem(1));
    form->controls().PusChapters->click();
    EXPECT_EQ(boxes.texts(), (QStringList{u"Please select a book in the list first."_s,
                                          u"plain.epub has no contents to choose from: the "
                                          u"whole book is read."_s}));

    QStringList shown, again;
    bool okWithNothing = true;
    boxes.dialogs << [&](QDialog* d) {
        auto* dialog = static_cast<ChaptersDialog*>(d);
        shown = partsOf(dialog);
        for (QTreeWidgetItemIterator it(dialog->tree()); *it; ++it)
            (*it)->setCheckState(0, Qt::Unchecked);
        okWithNothing = dialog->okButton()->isEnabled();
        dialog->defaultsButton()->click();
        dialog->tree()->findItems(u"I: Loomings"_s, Qt::MatchRecursive)[0]->setCheckState(
            0, Qt::Unchecked);
        dialog->okButton()->click();
    };
    boxes.dialogs << [&](QDialog* d) {
        again = partsOf(static_cast<ChaptersDialog*>(d));
        d->reject();
    };
    list->setCurrentItem(list->topLevelItem(0));
    form->controls().PusChapters->click();
    form->controls().PusChapters->click();
    EXPECT_EQ(shown, (QStringList{u"[x] Titlepage (title page)"_s, u"[ ] Imprint (imprint)"_s,
                                  u"[x] Dedication (dedication)"_s, u"[x] Moby Dick (title page)"_s,
                                  u"  [x] I: Loomings"_s, u"  [x] XXIV: The Advocate"_s,
                                  u"[x] Endnotes (endnotes)"_s}));
    EXPECT_FALSE(okWithNothing);
    EXPECT_EQ(again[4], u"  [ ] I: Loomings"_s);
    form->controls().PushButton1->click();
    ASSERT_EQ(chain->started.size(), 2);
    EXPECT_EQ(chain->started[0].listening.parts.chosen, (QList<int>{1, 3, 4, 6, 7}));
    EXPECT_FALSE(chain->started[1].listening.parts.chosen);

    // Removed from the list and added again, the book is read as by default.
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Delete);
    form->appendRow(moby);
    chain->started.clear();
    form->controls().PushButton1->click();
    ASSERT_EQ(chain->started.size(), 2);
    EXPECT_EQ(chain->started[1].book, moby);
    EXPECT_FALSE(chain->started[1].listening.parts.chosen);
}

} // namespace vt::test
