#pragma once

#include "common/expected.h"
#include "common/files.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <functional>

namespace vt
{

// One line of a pronunciation list: `word = how to say it`, or
// `/regex/ = replacement`.
struct PronunciationRule {
    QString word; // as written; for a pattern, the expression between the slashes
    QString spoken;
    bool pattern = false;
    int line = 0; // in its file, from 1
};

// A pronunciation list as read from its file: the rules that apply, and the
// lines that could not be used, each named with its number.
struct PronunciationList {
    QString name; // how notes name the file
    QList<PronunciationRule> rules;
    QStringList problems; // "line 4: the word is empty", ...
    QString encodingNote; // set when the file was not UTF-8
    QString refused;      // why the whole file is not used: no text, too large, a FIFO

    // UTF-8 text (a byte-order mark of UTF-8, -16 or -32 is honoured); text
    // that is not UTF-8 is read as Windows-1252 and noted, and what is no
    // text (NUL, control characters) is refused. `#` starts a
    // comment line; blank lines are passed over. `asWritten` keeps the rules
    // that cannot be used among the rules, for the editor to show with
    // RuleProblem; problems then name only the lines that are no rule at all.
    static PronunciationList parse(const QByteArray& bytes, const QString& name = {},
                                   bool asWritten = false);
    // The list in a file; a missing file is an empty list. A file that is
    // no regular file (a FIFO, a device) is refused unread, and so is one
    // over 10 MB.
    static PronunciationList read(const QString& path, bool asWritten = false);
};

// Checks one rule as the editor shows it: why it cannot be used or cannot
// be written in a list as it stands, or "".
QString RuleProblem(const PronunciationRule& rule);

// The text of a list holding the rules in order, as the editor saves it.
QByteArray WritePronunciationList(const QList<PronunciationRule>& rules);

// The rules of one or more lists applied to text. Words are matched whole:
// case-insensitively when the rule's word is written without capitals,
// exactly when it has one; where several match at one place the longest
// wins, and for the same word the list added first. Patterns are applied
// after the words, in order. Each line is changed in one pass: what a rule
// puts in is never matched again, so no rule can repeat without end.
class Pronouncer
{
  public:
    void add(const PronunciationList& list);
    bool isEmpty() const { return words_.isEmpty() && patterns_.isEmpty(); }
    QString apply(const QString& line) const;

    struct Stretch;

  private:
    struct Word {
        QString text;
        QString spoken;
        bool exact;
    };
    struct Pattern {
        QRegularExpression expression;
        QString replacement;
        int groups = 0;
    };
    QHash<QString, QList<Word>> words_; // by the first token, case-folded
    QList<Pattern> patterns_;
};

// The list beside a book: "<book name>.pronounce.txt" in its folder.
QString BookPronunciationPath(const QString& bookPath);

// A change made to each line of the text before it is cut: the
// pronunciation rules, the reading of Japanese.
using LineTransform = std::function<QString(const QString&)>;

// What a book's note says of a list named `name`: why it is not used, or
// its encoding and the first few lines that cannot be used, and how many
// more there are.
QStringList ListNotes(const PronunciationList& list, const QString& name);

// Changes every line of a UTF-8 text file, in place. A line longer than a
// block is taken in parts cut at blanks. An empty transform leaves the file.
Expected<void> RewriteTextLines(const QString& path, const LineTransform& transform,
                                const Yield& yield = {});

} // namespace vt
