#include "booklist/adding_books.h"
#include "cli/console_window.h"
#include "cli/voice_choice.h"
#include "common/error_report.h"

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
