#include "booklist/adding_books.h"
#include "cli/console_observer.h"
#include "cli/voice_choice.h"
#include "common/step_guard.h"

using namespace Qt::StringLiterals;

namespace vt
{

QStringList EpubBooksInFolder(const QString& folder)
{
    QStringList books;
    StepGuard guard(
        [](const StepFailure& f) { PrintError(u"vellumtone-cli: "_s + f.description + u'\n'); },
        u"Form1.PushButton4_Click"_s);
    FindFolderTreeFiles(
        folder, u"*.epub"_s, [&books](const QString& path) { books.append(path); }, guard);
    return books;
}

} // namespace vt
