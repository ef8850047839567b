#include "app/browse_folder.h"

#include "common/files.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <memory>

using namespace Qt::StringLiterals;

namespace vt
{

QFileDialog* MakeFolderDialog(QWidget* owner, const QString& prompt, const QString& startFolder)
{
    auto* dialog = new QFileDialog(owner, prompt);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // The start folder is shown selected inside its parent, so confirming at
    // once returns it.
    if (IsFolder(startFolder)) {
        const QString folder = QDir::cleanPath(QFileInfo(startFolder).absoluteFilePath());
        if (folder == u"/"_s) {
            dialog->setDirectory(folder);
        } else {
            dialog->setDirectory(QFileInfo(folder).absolutePath());
            dialog->selectFile(folder);
        }
    }
    return dialog;
}

QString ChosenFolder(const QFileDialog& dialog)
{
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return {};
    QString folder = chosen.first();
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

QString BrowseFolder(QWidget* owner, const QString& prompt, const QString& startFolder)
{
    const std::unique_ptr<QFileDialog> dialog(MakeFolderDialog(owner, prompt, startFolder));
    if (dialog->exec() != QDialog::Accepted)
        return {};
    return ChosenFolder(*dialog);
}

} // namespace vt
