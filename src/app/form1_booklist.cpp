#include "app/book_list_view.h"
#include "app/form1.h"
#include "booklist/adding_books.h"
#include "booklist/samples.h"
#include "common/files.h"
#include "common/step_guard.h"

#include <QFileDialog>
#include <QPixmap>
#include <QSet>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace vt
{
void Form1::setUpBookList()
{
    ListView1->setWindowPointer(this);
    const QString icon = programFile(u"drag.ico"_s);
    const QPixmap image(icon);
    ListView1->setDragCursor(image.isNull() ? QCursor(Qt::ClosedHandCursor) : QCursor(image));
    connect(ListView1, &BookListView::filesDropped, this,
            [this](const QStringList& paths) { AddDroppedPaths(paths, *this); });
    connect(ListView1->model(), &QAbstractItemModel::rowsRemoved, this, &Form1::forgetRemovedBooks);
    connect(ListView1->model(), &QAbstractItemModel::modelReset, this, &Form1::forgetRemovedBooks);
}

// Rows moved up or down keep their paths; only a path no row holds any
// more is forgotten.
void Form1::forgetRemovedBooks()
{
    QSet<QString> listed;
    for (int i = 1; i <= rowCount(); ++i)
        listed.insert(rowText(i));
    chosenParts_.removeIf([&](const auto& chosen) { return !listed.contains(chosen.key()); });
}

void Form1::AddCommandLineBooks(const QStringList& paths)
{
    AddCommandLinePaths(paths, *this);
}

void Form1::PushButton2_Click()
{
    StepGuard g(errorBox(), u"Form1.PushButton2_Click"_s);
    g.step(100, [&] { ListView1->clearRows(); });
}

void Form1::PushButton3_Click()
{
    StepGuard g(errorBox(), u"Form1.PushButton3_Click"_s);
    g.step(100, [&] {
        auto* dialog =
            new QFileDialog(this, u"Add File(s) - Use Ctrl & Shift to select multiple files"_s);
        dialog->setFileMode(QFileDialog::ExistingFiles);
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setNameFilter(u"ePub Files (*.epub)"_s);
        showDialog(dialog, [this](QDialog& closed, int result) {
            const QStringList picked = result == QDialog::Accepted
                                           ? static_cast<QFileDialog&>(closed).selectedFiles()
                                           : QStringList();
            if (picked.isEmpty())
                return;
            StepGuard added(errorBox(), u"Form1.PushButton3_Click"_s);
            added.step(102, [&] { AddPickedFiles(picked, *this); });
        });
    });
}

void Form1::PushButton4_Click()
{
    AddAllEpubFilesInFolder(settings(), *this,
                            FolderPicker([this](const QString& start,
                                                const std::function<void(const QString&)>& chosen) {
                                pickFolder(start, chosen);
                            }));
}

void Form1::PushButton5_Click()
{
    StepGuard g(errorBox(), u"Form1.PushButton5_Click"_s);
    g.step(100, [&] {
        // The samples beside the executable come first, then the installed ones.
        QString folder;
        for (const QString& place : services().programFolders) {
            if (const Path samples = Path(place) / u"Samples"; IsFolder(samples)) {
                folder = samples.text();
                break;
            }
        }
        if (folder.isEmpty())
            folder = SampleFolder();
        LoadSampleFiles(
            settings(), *this, [this](const QString& path) { openFolder(path); }, folder);
    });
}

} // namespace vt
