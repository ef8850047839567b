#pragma once

#include "common/build_config.h"

#include <QString>
#include <functional>

namespace vt
{

// The application title, the caption of every message box that names none.
QString ApplicationTitle();
// Derives the title from the product name: the name without its last word,
// shortened while longer than 40 characters; a one-word name stays whole.
void SetApplicationTitle(const QString& productName = QStringLiteral("Vellumtone"));

// Writes a test text into the working folder and reads it back. Empty when
// that works, else the warning the window shows.
QString CheckTempFolder();

// One start in a hundred opens the project's page, when it has one. `draw`
// gives a uniform number in [0, 1); `open` opens an address.
void OpenVendorPageSometimes(const std::function<double()>& draw,
                             const std::function<void(const QString&)>& open,
                             const QString& address = QStringLiteral(VT_REPOSITORY_URL));

// The web site the "?" note names: the repository's host, else "the web".
QString MakerSiteName(const QString& address = QStringLiteral(VT_REPOSITORY_URL));

} // namespace vt
