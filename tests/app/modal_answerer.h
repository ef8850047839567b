#pragma once

#include <QDialog>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <functional>

namespace vt::test
{

// Answers the message boxes the window shows, as a person would, and keeps
// what they said. Yes/No questions take the queued answers (No when none).
// Other dialogs go to the queued handlers, which must close them; without
// one a dialog is cancelled.
class ModalAnswerer : public QObject
{
    Q_OBJECT
  public:
    struct Shown {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QList<QSize> windowIconSizes; // the picture in the box's title bar
        QSize size;
    };

    ModalAnswerer();
    QStringList texts() const;

    QList<Shown> shown;
    QList<QMessageBox::StandardButton> answers;
    QList<std::function<void(QDialog*)>> dialogs;
    QStringList dialogTitles;                          // of the other dialogs, as they opened
    std::function<void(QMessageBox&)> onShown;         // before the box is answered
    std::function<bool(const QMessageBox&)> leaveOpen; // boxes a person would not answer

  private:
    void poll();

    QTimer timer_;
    QPointer<QMessageBox> last_;
    QPointer<QDialog> lastDialog_;
};

// Records the web pages the window asks to open, instead of opening them.
class OpenedPages : public QObject
{
    Q_OBJECT
  public:
    OpenedPages();
    ~OpenedPages() override;
    static QList<QUrl>& urls();

  public Q_SLOTS:
    void open(const QUrl& url);
};

} // namespace vt::test
