#pragma once

#include "common/files.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace vt
{

class BookListWindow;
class SettingsStore;
class StepGuard;

// How many characters of picked names the file dialog hands over at most;
// a larger pick is refused with the too-many-files message.
inline constexpr qsizetype kPickedNamesCapacity = 1 << 20;

// "Add EPUB Files" after the dialog: one path is appended as it is, several
// are cleaned with CollapseBackslashes. Answers false (and shows the
// too-many-files message, adding nothing) when the names exceed `capacity`.
bool AddPickedFiles(const QStringList& paths, BookListWindow& window,
                    qsizetype capacity = kPickedNamesCapacity);

// Tells of each file that a folder scan finds.
using FoundFile = std::function<void(const QString& path)>;

// Finds the files matching `pattern` in a folder and all its sub-folders,
// the top folder's first, then level by level; names beginning with "~",
// files that cannot be opened and hidden plain files are left out. Failing
// steps are reported through `guard` and the walk goes on.
void FindFolderTreeFiles(const QString& folder, const QString& pattern, const FoundFile& found,
                         StepGuard& guard, const Yield& yield = {});
// The same, appending each file to the window's list as it is found.
void AddFolderTreeFiles(const QString& folder, const QString& pattern, BookListWindow& w,
                        StepGuard& guard);

// A folder picker that tells `chosen` the folder picked ("" when cancelled),
// at once or, when it does not wait (during a run), once it is closed.
using FolderPicker =
    std::function<void(const QString& start, const std::function<void(const QString&)>& chosen)>;

// "Add All EPUB Files In Folder": asks `pickFolder` (start folder -> chosen
// folder or "") and appends every EPUB file under the chosen folder that the
// list does not hold yet, with the hourglass shown during the scan; a note
// says how many it held already.
void AddAllEpubFilesInFolder(SettingsStore& store, BookListWindow& w,
                             const std::function<QString(const QString&)>& pickFolder);
void AddAllEpubFilesInFolder(SettingsStore& store, BookListWindow& w,
                             const FolderPicker& pickFolder);

// Dropped paths, in the order of the drop: a folder is scanned for files of
// every type, anything else (a file, a hidden folder) is appended as it is.
void AddDroppedPaths(const QStringList& paths, BookListWindow& w);

// Paths named on the program's command line (a desktop's "Open with"), in
// their order, made absolute: a folder is searched for EPUB files as "Add All"
// searches, anything else is appended (a missing book fails in the run with
// its reason, as a dropped one does).
void AddCommandLinePaths(const QStringList& paths, BookListWindow& w);

} // namespace vt
