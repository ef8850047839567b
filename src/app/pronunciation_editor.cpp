#include "app/pronunciation_editor.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

QPushButton* actionButton(const QString& caption, const QString& name, const QString& description)
{
    auto* b = new QPushButton(caption);
    b->setAccessibleName(name);
    b->setAccessibleDescription(description);
    b->setAutoDefault(false);
    return b;
}

} // namespace

PronunciationEditor::PronunciationEditor(const QString& path,
                                         std::function<void(const QString&)> speak, QWidget* parent)
    : QDialog(parent), path_(path), speak_(std::move(speak))
{
    setObjectName(u"PronunciationEditor"_s);
    setWindowTitle(u"Pronunciations"_s);
    auto* intro = new QLabel(u"How words are said in every book: a word (or a /pattern/) and "
                             u"how to say it, one rule a row."_s);
    intro->setWordWrap(true);
    note_ = new QLabel;
    note_->setWordWrap(true);
    note_->setTextFormat(Qt::PlainText);

    table_ = new QTableWidget(0, 3);
    table_->setObjectName(u"rules"_s);
    table_->setHorizontalHeaderLabels({u"Word or /pattern/"_s, u"Say it as"_s, u"Problem"_s});
    table_->setAccessibleName(u"Pronunciation rules"_s);
    table_->setAccessibleDescription(
        u"A row per rule: the word or /pattern/, how to say it, and what is wrong with the "
        u"rule, if anything. F2 edits a cell; Tab leaves the table."_s);
    table_->setTabKeyNavigation(false); // Tab goes on to the buttons; arrows move in the table
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->setVisible(false);
    table_->setColumnWidth(WordColumn, 170);
    table_->setColumnWidth(SpokenColumn, 200);
    table_->horizontalHeader()->setStretchLastSection(true);

    add_ = actionButton(u"&Add"_s, u"Add Rule"_s, u"Adds an empty row and edits its word"_s);
    remove_ = actionButton(u"&Remove"_s, u"Remove Rule"_s, u"Removes the selected row"_s);
    listen_ = actionButton(u"&Listen"_s, u"Listen"_s,
                           u"Says the selected row as it will be read, with the chosen voice, "
                           u"volume and speed"_s);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    cancel_ = buttons->button(QDialogButtonBox::Cancel);
    ok_->setAccessibleDescription(u"Saves the list; it is used from the next conversion on"_s);
    cancel_->setAccessibleDescription(u"Closes the editor and leaves the list as it was"_s);

    auto* row = new QHBoxLayout;
    row->addWidget(add_);
    row->addWidget(remove_);
    row->addWidget(listen_);
    row->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(note_);
    layout->addWidget(table_);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setTabOrder(table_, add_);
    setTabOrder(add_, remove_);
    setTabOrder(remove_, listen_);
    setTabOrder(listen_, ok_);
    setTabOrder(ok_, cancel_);
    resize(720, 420);

    // Rules that cannot be used are shown with their problem; lines that
    // are no rule at all cannot be shown as a row and are named above.
    const PronunciationList list = PronunciationList::read(path_, true);
    QStringList notes;
    if (!list.refused.isEmpty())
        notes << u"The file is not read: "_s + list.refused + u". OK replaces it."_s;
    if (!list.encodingNote.isEmpty())
        notes << u"The file was not saved as UTF-8 text: it was read as Windows-1252, and OK "
                 u"saves it as UTF-8."_s;
    if (!list.problems.isEmpty())
        notes << u"Lines of the file that are no rule, left out when the list is saved: "_s +
                     list.problems.join(u"; "_s);
    note_->setText(notes.join(u'\n'));
    note_->setVisible(!notes.isEmpty());
    for (const PronunciationRule& rule : list.rules)
        appendRow(rule);
    if (table_->rowCount() > 0)
        table_->setCurrentCell(0, WordColumn);

    connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() != ProblemColumn) {
            showProblem(item->row());
            updateListen();
        }
    });
    connect(table_, &QTableWidget::currentCellChanged, this, &PronunciationEditor::updateListen);
    connect(add_, &QPushButton::clicked, this, &PronunciationEditor::addRow);
    connect(remove_, &QPushButton::clicked, this, &PronunciationEditor::removeRow);
    connect(listen_, &QPushButton::clicked, this, &PronunciationEditor::listenToRow);
    connect(buttons, &QDialogButtonBox::accepted, this, &PronunciationEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PronunciationEditor::reject);
    updateListen();
}

QList<PronunciationRule> PronunciationEditor::rules() const
{
    QList<PronunciationRule> rules;
    for (int row = 0; row < table_->rowCount(); ++row)
        rules.append(ruleOf(row));
    return rules;
}

QString PronunciationEditor::heard(const PronunciationRule& rule)
{
    if (!RuleProblem(rule).isEmpty())
        return {};
    if (rule.pattern) {
        static const QRegularExpression groups(uR"([$\\]\d)"_s);
        return QString(rule.spoken).remove(groups).simplified();
    }
    PronunciationList list;
    list.rules = {rule};
    Pronouncer pronouncer;
    pronouncer.add(list);
    return pronouncer.apply(rule.word.simplified()).simplified();
}

void PronunciationEditor::accept()
{
    const QByteArray text = WritePronunciationList(rules());
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        QMessageBox::warning(this, windowTitle(),
                             u"The list could not be saved in %1: %2"_s.arg(
                                 QDir::toNativeSeparators(path_), file.errorString()));
        return;
    }
    QDialog::accept();
}

void PronunciationEditor::appendRow(const PronunciationRule& rule)
{
    const QSignalBlocker quiet(table_);
    const int row = table_->rowCount();
    table_->insertRow(row);
    table_->setItem(row, WordColumn,
                    new QTableWidgetItem(rule.pattern ? u'/' + rule.word + u'/' : rule.word));
    table_->setItem(row, SpokenColumn, new QTableWidgetItem(rule.spoken));
    auto* problem = new QTableWidgetItem;
    problem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    table_->setItem(row, ProblemColumn, problem);
    showProblem(row);
}

PronunciationRule PronunciationEditor::ruleOf(int row) const
{
    PronunciationRule rule;
    const QString word = table_->item(row, WordColumn)->text().trimmed();
    rule.pattern = word.size() >= 2 && word.startsWith(u'/') && word.endsWith(u'/');
    rule.word = rule.pattern ? word.mid(1, word.size() - 2) : word;
    rule.spoken = table_->item(row, SpokenColumn)->text().trimmed();
    rule.line = row + 1;
    return rule;
}

// A row still empty is no rule yet (and is not saved): it shows no problem.
void PronunciationEditor::showProblem(int row)
{
    const PronunciationRule rule = ruleOf(row);
    const QString problem = rule.word.isEmpty() && rule.spoken.isEmpty() && !rule.pattern
                                ? QString()
                                : RuleProblem(rule);
    const QSignalBlocker quiet(table_);
    QTableWidgetItem* item = table_->item(row, ProblemColumn);
    item->setText(problem);
    item->setIcon(problem.isEmpty() ? QIcon()
                                    : style()->standardIcon(QStyle::SP_MessageBoxWarning));
    item->setToolTip(problem);
    table_->item(row, WordColumn)->setToolTip(problem);
    table_->item(row, SpokenColumn)->setToolTip(problem);
}

void PronunciationEditor::updateListen()
{
    const int row = table_->currentRow();
    remove_->setEnabled(row >= 0);
    listen_->setEnabled(row >= 0 && !heard(ruleOf(row)).isEmpty());
}

void PronunciationEditor::addRow()
{
    appendRow({});
    const int row = table_->rowCount() - 1;
    table_->setCurrentCell(row, WordColumn);
    table_->setFocus();
    table_->editItem(table_->item(row, WordColumn));
}

void PronunciationEditor::removeRow()
{
    const int row = table_->currentRow();
    if (row < 0)
        return;
    table_->removeRow(row);
    table_->setFocus();
    updateListen();
}

void PronunciationEditor::listenToRow()
{
    const int row = table_->currentRow();
    if (row < 0)
        return;
    if (const QString text = heard(ruleOf(row)); !text.isEmpty() && speak_)
        speak_(text);
}

} // namespace vt
