#pragma once

#include "common/expected.h"
#include "common/owner_lock.h"
#include "common/path.h"

#include <memory>

namespace vt
{

// The file a book's result is made in: a new hidden file beside the result
// (".book.mp3.<pid>.<random>.part"), which takes the result's place only
// when it is complete. An older result stays as it was until then, whatever
// fails, and a link in the result's place is never written through: the
// rename replaces the link itself. A book cut into a file per chapter is
// made the same way in a hidden folder, which takes the place of the
// book's folder. The file or folder is locked (OwnerLock) while it is made,
// so that no other run takes it for one a killed run left.
class PartialResult
{
  public:
    // Creates the file, never through a link and never over another file.
    static Expected<PartialResult> create(const Path& result);
    // Creates the folder a book's chapter files are made in.
    static Expected<PartialResult> createFolder(const Path& result);

    const Path& path() const { return path_; }
    const Path& result() const { return result_; }
    // Puts the file in the result's place. A folder swaps places with the
    // older one, which is then removed.
    Expected<void> commit() const;
    // Removes the file or folder; never fails.
    void discard() const;

  private:
    PartialResult(Path result, Path path, bool folder)
        : result_(std::move(result)), path_(std::move(path)), folder_(folder),
          lock_(OwnerLock::take(path_))
    {
    }
    Path result_;
    Path path_;
    bool folder_ = false;
    std::shared_ptr<const OwnerLock> lock_;
};

// Why the chapter files of a book cannot go into `folder`, or "": a file or
// a link is in its place, or it holds files other than chapter files (a
// folder of the user's own that a new book would replace).
QString ChapterFolderProblem(const Path& folder);

// Removes the partial files of this result that runs now gone left behind
// (a run killed while it worked on the book): those no process holds locked.
void RemoveStrayPartials(const Path& result);

} // namespace vt
