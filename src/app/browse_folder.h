#pragma once

#include <QString>

class QWidget;

namespace vt
{

// The folder picker: Qt's directory dialog owned by `owner`, opened at the
// start folder; the chosen folder without a final "/" (except "/"), or ""
// when cancelled.
QString BrowseFolder(QWidget* owner, const QString& prompt, const QString& startFolder);

} // namespace vt
