// A Qt plugin that drives the real main window from inside its process, as
// a user would: the program is started with QT_QPA_GENERIC_PLUGINS set to
// "vtdriver:BOOK". Once the window shows, it picks "Save results in folder
// of original file", drops BOOK on the list and starts the conversion.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDropEvent>
#include <QGenericPlugin>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace
{

class Driver : public QObject
{
  public:
    explicit Driver(QString book) : book_(std::move(book))
    {
        connect(&poll_, &QTimer::timeout, this, &Driver::drive);
        poll_.start(100);
    }

  private:
    void drive()
    {
        QWidget* form = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == u"Form1"_s && widget->isVisible())
                form = widget;
        if (!form)
            return;
        poll_.stop();
        form->findChild<QAbstractButton*>(u"Option2"_s)->click();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(book_)});
        // As a drag from a file manager: it enters the list, then drops.
        QWidget* list = form->findChild<QAbstractItemView*>(u"ListView1"_s)->viewport();
        const QPoint at(10, 10);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list, &drop);
        // The list takes the drop on its next pass through the event loop.
        QTimer::singleShot(
            300, form, [form] { form->findChild<QAbstractButton*>(u"PushButton1"_s)->click(); });
    }

    QString book_;
    QTimer poll_;
};

} // namespace

class WindowDriverPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "window_driver.json")
  public:
    QObject* create(const QString& key, const QString& spec) override
    {
        return key == u"vtdriver"_s ? new Driver(spec) : nullptr;
    }
};

#include "window_driver.moc"
