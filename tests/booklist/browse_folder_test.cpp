#include "app/browse_folder.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

// Acts on the picker once it is on the screen.
void whenShown(const std::function<void(QFileDialog&)>& act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*dialog);
        }
    });
    timer->start(10);
}

QString confirmAt(const QString& start, QString* title = nullptr)
{
    whenShown([title](QFileDialog& dialog) {
        if (title)
            *title = dialog.windowTitle();
        static_cast<QDialog&>(dialog).accept(); // through the public base
    });
    return BrowseFolder(nullptr, u"Please select folder:"_s, start);
}

} // namespace

TEST(BrowseFolder, OpensWithTheStartFolderSelected)
{
    QTemporaryDir dir;
    const QString start = dir.filePath(u"Books"_s);
    QDir().mkpath(start + u"/inside"_s);
    QString title;
    EXPECT_EQ(confirmAt(start, &title), start);
    EXPECT_EQ(title, u"Please select folder:"_s);
    EXPECT_EQ(confirmAt(start + u'/'), start); // never a final "/"
}

TEST(BrowseFolder, TheRootKeepsItsSlash)
{
    EXPECT_EQ(confirmAt(u"/"_s), u"/"_s);
}

TEST(BrowseFolder, CancelGivesTheEmptyText)
{
    QTemporaryDir dir;
    whenShown([](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(BrowseFolder(nullptr, u"Please select folder:"_s, dir.path()), QString());
}
