#pragma once

#include "cli/batch.h"

#include <QStringList>

namespace vt
{

// vellumtone-cli --text: each book through the converter and the cutter as
// a run takes it, and the pieces, exactly as they would be spoken, written
// to standard output, each after a line holding a form feed but the first.
// Nothing is spoken. Returns the exit status: 1 when a book gave no text.
int PrintSpokenText(const QStringList& books, const BatchSettings& settings);

// vellumtone-cli --list-chapters: each book's parts, numbered, with their
// kind and whether the choice reads them. 1 when a book cannot be read.
int PrintBookParts(const QStringList& books, const PartChoice& choice);

} // namespace vt
