#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace vt
{

class BookRowsPort;
class BusyPort;
class EventLoopPort;
class MessageBoxPort;
class PointerPort;
class SettingsStore;
class StepGuard;

// The parts of the main window that filling the book list touches.
struct BookListPorts {
    BookRowsPort& rows;
    PointerPort& pointer;
    BusyPort& busy;
    EventLoopPort& loop;
    MessageBoxPort& box;
};

// How many characters of picked names the file dialog hands over at most;
// a larger pick is refused with the too-many-files message.
inline constexpr qsizetype kPickedNamesCapacity = 1 << 20;

// "Add EPUB Files" after the dialog: one path is appended as it is, several
// are cleaned with CollapseBackslashes. Answers false (and shows the
// too-many-files message, adding nothing) when the names exceed `capacity`.
bool AddPickedFiles(const QStringList& paths, BookRowsPort& rows, MessageBoxPort& box,
                    qsizetype capacity = kPickedNamesCapacity);

// Appends the files matching `pattern` in a folder and all its sub-folders,
// the top folder's first, then level by level; names beginning with "~",
// files that cannot be opened and hidden plain files are left out. Failing
// steps are reported through `guard` and the walk goes on.
void AddFolderTreeFiles(const QString& folder, const QString& pattern, const BookListPorts& w,
                        StepGuard& guard);

// "Add All EPUB Files In Folder": asks `pickFolder` (start folder -> chosen
// folder or "") and appends every EPUB file under the chosen folder, with the
// hourglass shown during the scan.
void AddAllEpubFilesInFolder(SettingsStore& store, const BookListPorts& w,
                             const std::function<QString(const QString&)>& pickFolder);

// Dropped paths, in the order of the drop: a folder is scanned for files of
// every type, anything else (a file, a hidden folder) is appended as it is.
void AddDroppedPaths(const QStringList& paths, const BookListPorts& w);

// Paths named on the program's command line (a desktop's "Open with"), in
// their order, made absolute: a folder is searched for EPUB files as "Add All"
// searches, anything else is appended (a missing book fails in the run with
// its reason, as a dropped one does).
void AddCommandLinePaths(const QStringList& paths, const BookListPorts& w);

} // namespace vt
