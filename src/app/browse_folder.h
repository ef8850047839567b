#pragma once

#include <QString>

class QFileDialog;
class QWidget;

namespace vt
{

// The folder picker: Qt's directory dialog owned by `owner`, opened at the
// start folder; the chosen folder without a final "/" (except "/"), or ""
// when cancelled.
QString BrowseFolder(QWidget* owner, const QString& prompt, const QString& startFolder);

// The picker's dialog, for a window that shows it without waiting, and the
// folder it was closed with.
QFileDialog* MakeFolderDialog(QWidget* owner, const QString& prompt, const QString& startFolder);
QString ChosenFolder(const QFileDialog& dialog);

} // namespace vt
