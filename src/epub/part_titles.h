#pragma once

#include "epub/book_parts.h"

#include <QString>
#include <optional>

namespace vt
{

// The kind a contents title names ("Copyright", "Table des matières",
// "索引", ...), in the languages the voices speak; nothing for a title that
// names no kind (a chapter's).
std::optional<PartKind> KindOfTitle(const QString& title);

} // namespace vt
