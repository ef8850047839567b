#pragma once

#include "text/pronunciations.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace vt
{

// The editor of a pronunciation list: a row per rule, a word (a pattern
// written /pattern/) and how to say it, with what is wrong with a rule
// beside it. OK saves the rows to the file; Cancel leaves the file as it was.
class PronunciationEditor : public QDialog
{
    Q_OBJECT
  public:
    enum Column { WordColumn, SpokenColumn, ProblemColumn };
    // `speak` says a text aloud with the window's voice, volume and speed.
    PronunciationEditor(const QString& path, std::function<void(const QString&)> speak,
                        QWidget* parent = nullptr);

    // The rows as they stand, in order.
    QList<PronunciationRule> rules() const;
    // What Listen says for a rule: the rule applied to its word, or for a
    // pattern its replacement without the group references; "" for a rule
    // that cannot be used.
    static QString heard(const PronunciationRule& rule);

    QTableWidget* table() const { return table_; }
    QLabel* note() const { return note_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* listenButton() const { return listen_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  public Q_SLOTS:
    void accept() override;

  private:
    void appendRow(const PronunciationRule& rule);
    PronunciationRule ruleOf(int row) const;
    void showProblem(int row);
    void updateListen();
    void addRow();
    void removeRow();
    void listenToRow();

    QString path_;
    std::function<void(const QString&)> speak_;
    QTableWidget* table_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* listen_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace vt
