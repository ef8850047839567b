#include "app/browse_folder.h"
#include "app/form1.h"
#include "app/message_box.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace vt
{

// A run never waits for a person: while it goes on, a box is shown beside
// the window and the run carries on; otherwise the box waits for its answer.
Answer Form1::showMessage(const QString& text, Buttons buttons, Icon icon, const QString& caption)
{
    if (runInProgress() && buttons == Buttons::Ok) {
        showBoxBeside(text, icon, caption);
        return Answer::Ok;
    }
    // Before the window shows (start-up) the box stands on its own.
    const auto box = MakeMessageBox(isVisible() ? this : nullptr, text, buttons, icon, caption);
    box->exec();
    return AnswerOf(*box);
}

QMessageBox* Form1::showBoxBeside(const QString& text, Icon icon, const QString& caption)
{
    QMessageBox* box = MakeMessageBox(this, text, Buttons::Ok, icon, caption).release();
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    cascade(*box);
    box->show();
    return box;
}

// Boxes beside a run do not hide each other: each stands below and right of
// the one before that is still open (back at the screen's corner when it
// would leave the screen there).
void Form1::cascade(QMessageBox& box)
{
    besideBoxes_.removeIf([](const QPointer<QWidget>& b) { return !b || !b->isVisible(); });
    // The title bar of the box before stays in sight. A box is placed before
    // it shows, by where its contents go (its frame is the desktop's).
    constexpr int kStep = 32;
    if (!besideBoxes_.isEmpty())
        PlaceMessageBox(box, besideBoxes_.last()->geometry().topLeft() + QPoint(kStep, kStep));
    besideBoxes_.append(&box);
}

void Form1::ask(const QString& text, const std::function<void(Answer)>& then)
{
    if (!runInProgress()) {
        then(showMessage(text, Buttons::YesNo));
        return;
    }
    QMessageBox* box = MakeMessageBox(this, text, Buttons::YesNo, Icon::None, {}).release();
    cascade(*box);
    showDialog(box,
               [then](QDialog& closed, int) { then(AnswerOf(static_cast<QMessageBox&>(closed))); });
}

void Form1::showDialog(QDialog* dialog, const std::function<void(QDialog&, int)>& done)
{
    if (!runInProgress()) {
        const std::unique_ptr<QDialog> owned(dialog);
        const int result = dialog->exec();
        done(*dialog, result);
        return;
    }
    connect(dialog, &QDialog::finished, this, [dialog, done](int result) {
        dialog->deleteLater();
        done(*dialog, result);
    });
    dialog->setWindowModality(Qt::NonModal);
    dialog->show();
}

void Form1::pickFolder(const QString& start, const std::function<void(const QString&)>& chosen)
{
    const QString prompt = u"Please select folder:"_s;
    if (!runInProgress()) {
        chosen(services_.browseFolder(this, prompt, start));
        return;
    }
    showDialog(MakeFolderDialog(this, prompt, start), [chosen](QDialog& dialog, int result) {
        chosen(result == QDialog::Accepted ? ChosenFolder(static_cast<QFileDialog&>(dialog))
                                           : QString());
    });
}

namespace
{

// Whether the desktop has a program for folders: xdg-open hands a folder to
// the one xdg-mime names, and does nothing visible without one.
bool canOpenFolders()
{
    const QString mime = QStandardPaths::findExecutable(u"xdg-mime"_s);
    if (mime.isEmpty())
        return true; // Qt tries what it knows
    QProcess query;
    query.start(mime, {u"query"_s, u"default"_s, u"inode/directory"_s});
    if (!query.waitForFinished(5000))
        return true;
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace

void Form1::openFolder(const QString& folder)
{
    if (canOpenFolders() && QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return;
    showMessage(u"The folder\n"_s + folder +
                u"\ncould not be opened: no file manager was found on this computer."_s);
}

} // namespace vt
