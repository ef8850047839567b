#include "app/book_list_view.h"
#include "app/form1.h"
#include "booklist/samples.h"
#include "common/settings.h"
#include "test_env.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

// Acts on the first modal window of type T once it is on the screen.
template <class T> void whenShown(const std::function<void(T&)>& act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* shown = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*shown);
        }
    });
    timer->start(10);
}

class BookListButtons : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Form1::Services services;
        services.loadVoiceList = [](VoiceListPort&, SettingsStore&) { return true; };
        services.browseFolder = [this](QWidget* owner, const QString& prompt,
                                       const QString& start) {
            pickerCalls.append({owner == form.get(), prompt, start});
            return pickerAnswer;
        };
        services.randomDraw = [] { return 0.5; };
        services.endProcess = [] {};
        services.programFolders = {program.path()};
        form = std::make_unique<Form1>(services);
    }
    QStringList rows() const
    {
        QStringList all;
        for (int i = 1; i <= form->controls().ListView1->rowCount(); ++i)
            all.append(form->controls().ListView1->rowText(i));
        return all;
    }
    QString book(const QString& relative)
    {
        const QString path = books.filePath(relative);
        test::writeFile(path, "book");
        return path;
    }

    struct PickerCall {
        bool ownedByTheWindow;
        QString prompt;
        QString start;
    };
    test::TempWorkingFolder temp;
    QTemporaryDir program;
    QTemporaryDir books;
    QList<PickerCall> pickerCalls;
    QString pickerAnswer;
    std::unique_ptr<Form1> form;
};

} // namespace

TEST_F(BookListButtons, ClearListEmptiesTheListUnlessBusy)
{
    form->controls().ListView1->appendRow(u"/a.epub"_s);
    form->setPointer(Pointer::Hourglass);
    form->controls().PushButton2->click();
    EXPECT_EQ(rows().size(), 1);
    form->setPointer(Pointer::Default);
    form->controls().PushButton2->click();
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(BookListButtons, AddAllPicksAFolderThroughTheWindowsPicker)
{
    const QString a = book(u"a.epub"_s);
    const QString b = book(u"sub/b.EPUB"_s);
    book(u"sub/c.txt"_s);
    form->settings().setText(key::LastFolder, u"/start/here"_s);
    pickerAnswer = books.path();
    form->controls().PushButton4->click();
    ASSERT_EQ(pickerCalls.size(), 1);
    EXPECT_TRUE(pickerCalls[0].ownedByTheWindow);
    EXPECT_EQ(pickerCalls[0].prompt, u"Please select folder:"_s);
    EXPECT_EQ(pickerCalls[0].start, u"/start/here"_s);
    EXPECT_EQ(rows(), (QStringList{a, b}));
    EXPECT_EQ(form->settings().text(key::LastFolder), books.path());
    EXPECT_EQ(form->pointer(), Pointer::Default);
}

TEST_F(BookListButtons, DropsOnTheListAreAddedByTheWindow)
{
    const QString a = book(u"folder/a.pdf"_s);
    const QString single = book(u"single.epub"_s);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(single), QUrl::fromLocalFile(books.filePath(u"folder"_s))});
    QWidget* viewport = form->controls().ListView1->viewport();
    // A drop goes to the widget that took the drag when it entered.
    QDragEnterEvent enter(viewport->rect().center(), Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(viewport->rect().center(), Qt::CopyAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QApplication::processEvents();
    EXPECT_EQ(rows(), (QStringList{single, a}));
}

TEST_F(BookListButtons, BooksNamedOnTheCommandLineJoinTheList)
{
    const QString a = book(u"a.epub"_s);
    const QString b = book(u"library/b.EPUB"_s);
    book(u"library/notes.txt"_s);
    const QString before = QDir::currentPath();
    QDir::setCurrent(books.path());
    // Relative paths are the terminal's; a missing book fails later in the run.
    form->AddCommandLineBooks({u"a.epub"_s, books.filePath(u"library"_s), u"gone.epub"_s});
    QDir::setCurrent(before);
    EXPECT_EQ(rows(), (QStringList{a, b, books.filePath(u"gone.epub"_s)}));
    EXPECT_EQ(form->pointer(), Pointer::Default);
}

TEST_F(BookListButtons, SamplesAreAddedOnceAndTheFolderIsOffered)
{
    const QString samples = program.filePath(u"Samples"_s);
    test::writeFile(samples + u"/One.epub"_s, "one");
    SaveSamplesSnapshot(form->settings(), samples);
    QStringList questions;
    for (int i = 0; i < 2; ++i) {
        whenShown<QMessageBox>([&](QMessageBox& box) {
            questions.append(box.text());
            box.button(QMessageBox::No)->click();
        });
        form->controls().PushButton5->click();
    }
    EXPECT_EQ(rows(), QStringList{samples + u"/One.epub"_s});
    ASSERT_EQ(questions.size(), 2);
    EXPECT_TRUE(questions[0].startsWith(u"Would you like this software to open the folder"_s));

    // Yes where no file manager can open it (the offscreen platform has none):
    // the user is told why nothing opens.
    whenShown<QMessageBox>([&](QMessageBox& question) {
        whenShown<QMessageBox>([&](QMessageBox& told) {
            questions.append(told.text());
            told.button(QMessageBox::Ok)->click();
        });
        question.button(QMessageBox::Yes)->click();
    });
    form->controls().PushButton5->click();
    EXPECT_EQ(questions.last(), u"The folder\n"_s + samples +
                                    u"/\ncould not be opened: no file manager was found on this "
                                    u"computer."_s);
}

TEST_F(BookListButtons, AddEpubFilesTakesSeveralFilesFromTheDialog)
{
    const QString a = book(u"a.epub"_s);
    const QString b = book(u"b.epub"_s);
    QString title;
    QStringList filters;
    whenShown<QFileDialog>([&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        filters = dialog.nameFilters();
        dialog.setDirectory(books.path());
        dialog.findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(u"\"a.epub\" \"b.epub\""_s);
        static_cast<QDialog&>(dialog).accept();
    });
    form->controls().PushButton3->click();
    EXPECT_EQ(title, u"Add File(s) - Use Ctrl & Shift to select multiple files"_s);
    EXPECT_EQ(filters, QStringList{u"ePub Files (*.epub)"_s});
    EXPECT_EQ(rows(), (QStringList{a, b}));

    whenShown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    form->controls().PushButton3->click();
    EXPECT_EQ(rows().size(), 2);
}
