#include "app/book_list_view.h"
#include "app_fixture.h"
#include "common/build_config.h"
#include "common/files.h"
#include "common/startup.h"
#include "common/step_guard.h"
#include "scripted_chain.h"
#include "speech/sp_voice.h"
#include "speech/voice_catalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace vt::test
{

TEST_F(AppTest, FirstStartWithAnEmptyStore)
{
    auto form = loadedForm();
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(u" | "_s).toStdString();
    EXPECT_FALSE(form->isVisible()); // main shows it after start-up
    EXPECT_EQ(form->windowTitle(), u"Vellumtone"_s);
    EXPECT_EQ(ApplicationTitle(), u"Vellumtone"_s);
    EXPECT_EQ(form->controls().Slider1->value(), 100);
    EXPECT_EQ(form->controls().Slider2->value(), -3);
    EXPECT_EQ(form->controls().lblVolume->text(), u"Volume Level = 100"_s);
    EXPECT_EQ(form->controls().lblSpeed->text(), u"Speech Rate = -3"_s);
    EXPECT_GT(form->controls().Combo1->count(), 0);
    // The voice for the user's language (tests run under the C locale: English).
    EXPECT_EQ(form->controls().Combo1->currentIndex(), FirstStartVoice(SpVoice().GetVoices()));
    if (QLocale::system().name() == u"C"_s) {
        EXPECT_EQ(form->controls().Combo1->currentText(), u"English (Great Britain)"_s);
    }
    EXPECT_TRUE(form->controls().Check2->isChecked()); // "Match each book's language"
    EXPECT_EQ(form->controls().Text1->text(), DefaultOutputFolder());
    EXPECT_TRUE(form->controls().Text1->text().endsWith(u'/'));
    EXPECT_TRUE(form->controls().Option1->isChecked());
    EXPECT_FALSE(form->controls().Option2->isChecked());
    EXPECT_TRUE(form->controls().Frame3->isEnabled());
    EXPECT_TRUE(form->controls().Text1->isEnabled());
    EXPECT_FALSE(form->controls().Timer1->isActive());
    EXPECT_FALSE(form->busy());
    EXPECT_EQ(form->controls().ListView1->columnCount(), 1);
    EXPECT_EQ(form->controls().ListView1->headerItem()->text(0), u"EPUB File(s)"_s);
    EXPECT_EQ(form->controls().ListView1->columnWidth(0), 467);
    // Start-up restores; it stores nothing of its own.
    EXPECT_FALSE(isStored(key::VolumeLevel));
    EXPECT_FALSE(isStored(key::SpeechRate));
    EXPECT_FALSE(isStored(key::Text1));
}

// Many desktops and servers have no Desktop folder: a first start saves into
// the music folder, and where there is none either, into home.
TEST_F(AppTest, AFirstStartWithoutADesktopSavesIntoTheMusicFolderElseHome)
{
    const QString home = QDir::homePath();
    ASSERT_FALSE(QFileInfo::exists(home + u"/Desktop"_s));
    ASSERT_TRUE(QDir(home).mkpath(u"Music"_s));
    const auto chain = std::make_shared<ScriptedChain>();
    Form1::Services services;
    services.makeChain = [chain] { return chain; };
    auto form = loadedForm(services);
    EXPECT_EQ(form->controls().Text1->text(), home + u"/Music/"_s);
    QTemporaryDir books;
    writeFile(books.filePath(u"a.epub"_s), "epub");
    form->appendRow(books.filePath(u"a.epub"_s));
    form->controls().PushButton1->click();
    EXPECT_EQ(boxes.texts(), QStringList{u"Done."_s});
    EXPECT_TRUE(QFileInfo::exists(home + u"/Music/a.mp3"_s));
    ASSERT_TRUE(QDir(home + u"/Music"_s).removeRecursively());
    EXPECT_EQ(loadedForm(services)->controls().Text1->text(), home + u'/');
}

TEST_F(AppTest, TheWindowShowsTheProgramsIconInEverySize)
{
    auto form = loadedForm();
    QList<QSize> sizes;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        sizes.append(QSize(size, size));
    EXPECT_EQ(form->windowIcon().availableSizes(), sizes);
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral(VT_APP_ID));
}

TEST_F(AppTest, StoredValuesAreReadAsTheStoreReadsNumbers)
{
    store(key::SpeechRate, u"2.5"_s);
    store(key::VolumeLevel, u"loud"_s);
    auto form = loadedForm();
    EXPECT_EQ(form->controls().Slider2->value(), 2); // halves go to the even neighbour
    EXPECT_EQ(form->controls().lblSpeed->text(), u"Speech Rate = 2"_s);
    EXPECT_EQ(form->controls().Slider1->value(), 0); // text that is no number reads as 0
    EXPECT_EQ(form->controls().lblVolume->text(), u"Volume Level = 0"_s);

    store(key::SpeechRate, u"3.5"_s);
    store(key::VolumeLevel, u"55"_s);
    form = loadedForm();
    EXPECT_EQ(form->controls().Slider2->value(), 4);
    EXPECT_EQ(form->controls().Slider1->value(), 55);
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST_F(AppTest, AStoredValueOutOfRangeIsReportedAndSkipped)
{
    store(key::VolumeLevel, u"150"_s);
    store(key::SpeechRate, u"-11"_s);
    auto form = loadedForm();
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown[0].title, u"Application Error"_s);
    EXPECT_EQ(boxes.shown[0].icon, QMessageBox::Warning);
    EXPECT_EQ(boxes.shown[0].text,
              applicationError(u"Invalid property value"_s, u"Form_Load"_s, 116));
    EXPECT_EQ(boxes.shown[1].text,
              applicationError(u"Invalid property value"_s, u"Form_Load"_s, 118));
    // Start-up went on: the sliders kept their first position, the rest is restored.
    EXPECT_EQ(form->controls().Slider1->value(), 100);
    EXPECT_EQ(form->controls().Slider2->value(), -3);
    EXPECT_EQ(form->controls().lblVolume->text(), u"Volume Level = 100"_s);
    EXPECT_TRUE(form->controls().Option1->isChecked());
}

TEST_F(AppTest, OutputOptionsAreRestoredInOrder)
{
    store(key::Option1, u"False"_s);
    store(key::Option2, u"False"_s);
    auto form = loadedForm();
    EXPECT_FALSE(form->controls().Option1->isChecked());
    EXPECT_FALSE(form->controls().Option2->isChecked());
    EXPECT_FALSE(form->controls().Frame3->isEnabled());
    EXPECT_FALSE(form->controls().PushButton7->isEnabled());

    store(key::Option1, u"True"_s);
    store(key::Option2, u"True"_s);
    form = loadedForm();
    EXPECT_FALSE(form->controls().Option1->isChecked()); // Option2 is set last
    EXPECT_TRUE(form->controls().Option2->isChecked());
    EXPECT_FALSE(form->controls().Frame3->isEnabled());

    store(key::Option1, u"maybe"_s);
    store(key::Option2, u"0"_s);
    form = loadedForm();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, applicationError(u"Type mismatch"_s, u"Form_Load"_s, 128));
    EXPECT_FALSE(form->controls().Option1->isChecked());
    EXPECT_FALSE(form->controls().Option2->isChecked());
    EXPECT_FALSE(form->controls().Frame3->isEnabled());
}

TEST_F(AppTest, AnEmptyStoredFolderStaysEmpty)
{
    store(key::Text1, QString());
    auto form = loadedForm();
    EXPECT_EQ(form->controls().Text1->text(), QString());
}

TEST_F(AppTest, TheProcessEndsWhenNoVoiceListCanBeMade)
{
    qputenv("TEMP", "/nonexistent/working/folder"); // the folder check would warn if reached
    Form1::Services services;
    services.loadVoiceList = [](VoiceListPort&, SettingsStore&) { return false; };
    auto form = makeForm(services);
    EXPECT_FALSE(form->Form_Load());
    EXPECT_EQ(boxes.texts(), QStringList{kNoVoicesMessage});
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->controls().lblVolume->text(),
              u"Volume Level = "_s); // nothing after the voices ran
}

// The real engine with data it cannot load: the program tells why and ends
// without ever showing its window.
TEST_F(AppTest, WithoutSpeechDataTheProgramEndsBeforeItsWindowShows)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            qputenv("ESPEAK_DATA_PATH", QFile::encodeName(temp.path()));
            auto form = makeForm(Form1::Services::real());
            const bool loaded = form->Form_Load();
            std::fprintf(stderr, "loaded=%d visible=%d messages=[%s]\n", int(loaded),
                         int(form->isVisible()), qPrintable(boxes.texts().join(u'|')));
            std::_Exit(loaded ? 0 : 1);
        },
        ::testing::ExitedWithCode(1), "loaded=0 visible=0 messages=\\[[^]|]+\\]");
}

TEST_F(AppTest, AnUnusableWorkingFolderIsReportedAndTheWindowStillOpens)
{
    qputenv("TEMP", QFile::encodeName(temp.file(u"missing"_s)));
    auto form = makeForm();
    EXPECT_TRUE(form->Form_Load());
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(u"Software cannot access your TEMP folder."_s));
    EXPECT_EQ(boxes.shown[0].title, u"Vellumtone"_s);
}

} // namespace vt::test
