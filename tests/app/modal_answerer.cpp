#include "modal_answerer.h"

#include <QAbstractButton>
#include <QApplication>

namespace vt::test
{

ModalAnswerer::ModalAnswerer()
{
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer_.start(5);
}

QStringList ModalAnswerer::texts() const
{
    QStringList list;
    for (const Shown& s : shown)
        list.append(s.text);
    return list;
}

void ModalAnswerer::poll()
{
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        dialog && !qobject_cast<QMessageBox*>(dialog) && dialog != lastDialog_ &&
        dialog->isVisible()) {
        lastDialog_ = dialog;
        dialogTitles.append(dialog->windowTitle());
        const auto handle = dialogs.isEmpty() ? std::function<void(QDialog*)>(&QDialog::reject)
                                              : dialogs.takeFirst();
        // Queued, so that boxes the handler opens are answered by this timer.
        QMetaObject::invokeMethod(
            dialog, [dialog, handle] { handle(dialog); }, Qt::QueuedConnection);
        return;
    }
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || box == last_ || !box->isVisible())
        return;
    last_ = box;
    shown.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                  box->windowIcon().availableSizes(), box->size()});
    if (onShown)
        onShown(*box);
    if (leaveOpen && leaveOpen(*box))
        return;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    if (box->standardButtons() & QMessageBox::Yes)
        answer = answers.isEmpty() ? QMessageBox::No : answers.takeFirst();
    box->button(answer)->click();
}

OpenedPages::OpenedPages() = default;
OpenedPages::~OpenedPages() = default;

QList<QUrl>& OpenedPages::urls()
{
    static QList<QUrl> list;
    return list;
}

void OpenedPages::open(const QUrl& url)
{
    urls().append(url);
}

} // namespace vt::test
