#include "booklist/adding_books.h"

#include "booklist/folder_scan.h"
#include "booklist/list_window.h"
#include "common/files.h"
#include "common/paths.h"
#include "common/settings.h"
#include "common/step_guard.h"

#include <QFileInfo>
#include <QSet>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// A dropped path is scanned when it is a folder that a plain listing shows,
// which leaves hidden folders out.
bool isVisibleFolder(const QString& path)
{
    const int value = FileAttributes(path);
    return value >= 0 && (value & attr::Directory) && !(value & (attr::Hidden | attr::System));
}

void addFolderFiles(const QString& folder, const QString& pattern, const FoundFile& found,
                    StepGuard& guard)
{
    const QString bare = folder.chopped(1);
    QStringList names;
    guard.step(120, [&] { names = ListFolderFiles(bare, pattern); });
    for (const QString& name : std::as_const(names)) {
        guard.step(122, [&] {
            if (name.startsWith(u'~'))
                return; // temporary and lock files
            const QString path = (Path(bare) / name).text();
            if (!IsExistingFile(path))
                return;
            if (FileAttributes(path) == (attr::Hidden | attr::Archive))
                return;
            found(CollapseBackslashes(path));
        });
    }
}

// The second half of "Add All", once a folder is picked.
void addChosenFolder(SettingsStore& store, BookListWindow& w, const QString& chosen,
                     const QString& extension)
{
    if (chosen.isEmpty())
        return;
    StepGuard g(ErrorBoxOf(w), u"Form1.PushButton4_Click"_s);
    g.step(108, [&] { store.setText(key::LastFolder, chosen); });
    g.step(110, [&] { w.setPointer(Pointer::Hourglass); });
    // A book the list holds already is not added again.
    QSet<QString> listed;
    for (int row = 1; row <= w.rowCount(); ++row)
        listed.insert(w.rowText(row));
    int already = 0;
    FindFolderTreeFiles(
        chosen, u"*."_s + extension,
        [&](const QString& path) {
            if (listed.contains(path)) {
                ++already;
                return;
            }
            listed.insert(path);
            w.appendRow(path);
        },
        g, [&w] { w.yieldOnce(); });
    // A conversion run that began meanwhile keeps its hourglass.
    g.step(130, [&] { w.setPointer(w.busy() ? Pointer::Hourglass : Pointer::Default); });
    if (already > 0)
        w.showMessage(already == 1 ? u"1 book in this folder was in the list already; "
                                     u"it was not added again."_s
                                   : QString::number(already) +
                                         u" books in this folder were in the list already; "
                                         u"they were not added again."_s);
}

} // namespace

bool AddPickedFiles(const QStringList& paths, BookListWindow& rows, qsizetype capacity)
{
    qsizetype size = 0;
    for (const QString& path : paths)
        size += path.size() + 1;
    if (size > capacity) {
        rows.showMessage(u"You've selected too many files to add.\n\n"
                         u"Please try adding via the \"Add All\" button."_s);
        return false;
    }
    if (paths.size() == 1) {
        rows.appendRow(paths.first());
        return true;
    }
    for (const QString& path : paths)
        rows.appendRow(CollapseBackslashes(path));
    return true;
}

void FindFolderTreeFiles(const QString& folder, const QString& pattern, const FoundFile& found,
                         StepGuard& guard, const Yield& yield)
{
    QStringList folders{folder + u'/'};
    guard.step(116, [&] { GetSubDirectories2016(folders, true, yield, guard.reporter()); });
    for (const QString& each : std::as_const(folders))
        guard.step(118, [&] { addFolderFiles(each, pattern, found, guard); });
}

void AddFolderTreeFiles(const QString& folder, const QString& pattern, BookListWindow& w,
                        StepGuard& guard)
{
    FindFolderTreeFiles(
        folder, pattern, [&w](const QString& path) { w.appendRow(path); }, guard,
        [&w] { w.yieldOnce(); });
}

void AddAllEpubFilesInFolder(SettingsStore& store, BookListWindow& w,
                             const std::function<QString(const QString&)>& pickFolder)
{
    AddAllEpubFilesInFolder(
        store, w,
        FolderPicker(
            [&pickFolder](const QString& start, const std::function<void(const QString&)>& chosen) {
                chosen(pickFolder(start));
            }));
}

void AddAllEpubFilesInFolder(SettingsStore& store, BookListWindow& w,
                             const FolderPicker& pickFolder)
{
    StepGuard g(ErrorBoxOf(w), u"Form1.PushButton4_Click"_s);
    const QString extension = u"epub"_s;
    g.step(100, [&] { store.setText(key::Extension, extension); });
    QString start;
    g.step(102, [&] { start = store.text(key::LastFolder); });
    g.step(104, [&] {
        pickFolder(start, [&store, &w, extension](const QString& chosen) {
            addChosenFolder(store, w, chosen, extension);
        });
    });
}

void AddDroppedPaths(const QStringList& paths, BookListWindow& w)
{
    StepGuard g(ErrorBoxOf(w), u"Form1.ListView1_OLEDragDrop"_s);
    for (const QString& path : paths) {
        bool folder = false;
        g.step(100, [&] { folder = isVisibleFolder(path); });
        if (folder)
            AddFolderTreeFiles(path, u"*.*"_s, w, g);
        else
            g.step(102, [&] { w.appendRow(path); });
    }
}

void AddCommandLinePaths(const QStringList& paths, BookListWindow& w)
{
    StepGuard g(ErrorBoxOf(w), u"Form1.AddCommandLineBooks"_s);
    for (const QString& path : paths) {
        QString full;
        g.step(100, [&] { full = QFileInfo(path).absoluteFilePath(); });
        if (g.test(102, [&] { return IsFolder(full); }))
            AddFolderTreeFiles(full, u"*.epub"_s, w, g);
        else
            g.step(104, [&] { w.appendRow(full); });
    }
}

} // namespace vt
