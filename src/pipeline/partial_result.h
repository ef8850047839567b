#pragma once

#include "common/expected.h"
#include "common/path.h"

namespace vt
{

// The file a book's result is made in: a new hidden file beside the result
// (".book.mp3.<pid>.<random>.part"), which takes the result's place only
// when it is complete. An older result stays as it was until then, whatever
// fails, and a link in the result's place is never written through: the
// rename replaces the link itself.
class PartialResult
{
  public:
    // Creates the file, never through a link and never over another file.
    static Expected<PartialResult> create(const Path& result);

    const Path& path() const { return path_; }
    const Path& result() const { return result_; }
    // Puts the file in the result's place.
    Expected<void> commit() const;
    // Removes the file; never fails.
    void discard() const;

  private:
    PartialResult(Path result, Path path) : result_(std::move(result)), path_(std::move(path)) {}
    Path result_;
    Path path_;
};

// Removes the partial files of this result that processes now gone left
// behind (a run killed while it worked on the book).
void RemoveStrayPartials(const Path& result);

} // namespace vt
