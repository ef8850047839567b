#include "adding_books.h"
#include "console_window.h"
#include "error_report.h"
#include "voice_choice.h"

using namespace Qt::StringLiterals;

namespace vt
{

QStringList EpubBooksInFolder(const QString& folder)
{
    ConsoleWindow scanner({}, false);
    StepGuard guard(scanner, u"Form1.PushButton4_Click"_s);
    AddFolderTreeFiles(folder, u"*.epub"_s, {scanner, scanner, scanner, scanner, scanner}, guard);
    QStringList books;
    for (int row = 1; row <= scanner.rowCount(); ++row)
        books.append(scanner.rowText(row));
    return books;
}

} // namespace vt
