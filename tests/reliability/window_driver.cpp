// A Qt plugin that drives the real main window from inside its process, as
// a user would: the program is started with QT_QPA_GENERIC_PLUGINS set to
// "vtdriver" and a book on its command line. Once the window shows, the
// plugin picks "Save results in folder of original file" and starts the
// conversion.
#include <QAbstractButton>
#include <QApplication>
#include <QGenericPlugin>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace
{

class Driver : public QObject
{
  public:
    Driver()
    {
        connect(&poll_, &QTimer::timeout, this, &Driver::drive);
        poll_.start(100);
    }

  private:
    void drive()
    {
        for (QWidget* form : QApplication::topLevelWidgets()) {
            if (form->objectName() != u"Form1"_s || !form->isVisible())
                continue;
            poll_.stop();
            form->findChild<QAbstractButton*>(u"Option2"_s)->click();
            form->findChild<QAbstractButton*>(u"PushButton1"_s)->click();
            return;
        }
    }

    QTimer poll_;
};

} // namespace

class WindowDriverPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "window_driver.json")
  public:
    QObject* create(const QString& key, const QString&) override
    {
        return key == u"vtdriver"_s ? new Driver : nullptr;
    }
};

#include "window_driver.moc"
