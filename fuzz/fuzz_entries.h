#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

// One input of a fuzz target each. They answer what went wrong with the
// input, or an empty text; a crash or a sanitizer report is a finding too.
// The libFuzzer targets and the regression test in the default test run
// call the same functions.
namespace vt::fuzz
{

// CleanTextLine over the input read as UTF-8 and as UTF-16 code units, and
// CutTextFileFSO over the input as a text file. The first byte picks the
// speed slider and whether the text is repeated past the reader's blocks.
QString CleanAndCut(const uint8_t* data, size_t size);

// cUnzip over the input as an archive: the listing and every value of it,
// then unpacking into a scratch folder with folders, testing, and unpacking
// again over the first files without folders. Nothing may land outside
// the target folder, and no link inside it.
QString ListAndUnzip(const uint8_t* data, size_t size);

// The joined-book fix over the input: changes stay inside the data, and a
// second pass finds nothing more to change.
QString FixJoinedBook(const uint8_t* data, size_t size);

// A package document, navigation document and NCX over the input: every
// path they give stays inside the book, and no document is twice in the
// reading order.
QString ReadPackage(const uint8_t* data, size_t size);

// The reference-mark scanner, the contents-page test and the numbers'
// writer over the input as a page: taking marks out never makes it longer,
// writing numbers changes only text and leaves nothing to write the second
// time, and it ends in linear time (the fuzzer's per-input time limit finds
// a page that takes longer).
QString ScanMarks(const uint8_t* data, size_t size);

// The cover preparation over the input (after a first byte that says whether
// the book calls it an SVG): a cover that comes out is a picture of at most
// kCoverMaxSide pixels a side.
QString DrawCover(const uint8_t* data, size_t size);

// A pronunciation list over the input, read from a file: the file reads as
// its bytes parse, a list that is refused has no rules, the editor's saved
// list reads back as the same rules, and applying it to its own lines and a
// sample ends with lines no longer than the rules can make them.
QString ReadPronunciations(const uint8_t* data, size_t size);

// A book of random shape made from the input (MakeBook) and a choice of its
// parts (the first byte): read all, by default and as chosen, the text of
// its spoken copy is exactly the parts' words in order, and every part the
// contents lists that is read has a chapter place at its first word.
QString ChooseParts(const uint8_t* data, size_t size);

// A scratch folder of this process, removed at its end.
QString ScratchFolder();

} // namespace vt::fuzz
