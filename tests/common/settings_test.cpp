#include "common/error.h"
#include "common/settings.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

class Settings : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, u"Quillmark"_s, u"Quillmark"_s)
            .clear();
    }
};

TEST_F(Settings, DefaultsWhenAbsent)
{
    SettingsStore store;
    EXPECT_EQ(store.number(key::VolumeLevel), 100);
    EXPECT_EQ(store.number(key::SpeechRate), -3);
    EXPECT_EQ(store.number(key::Combo), 0);
    EXPECT_TRUE(store.boolean(key::Option1));
    EXPECT_FALSE(store.boolean(key::Option2));
    EXPECT_TRUE(store.boolean(key::Tags));
    EXPECT_TRUE(store.text(key::Text1).endsWith(u'/'));
    EXPECT_EQ(store.text(key::LastFolder), u""_s);
    EXPECT_EQ(store.text(key::Snapshot), u""_s);
    EXPECT_FALSE(store.contains(key::Text1));
}

TEST_F(Settings, StoredInTheQuillmarkFileUnderVellumtone)
{
    {
        SettingsStore store;
        store.setNumber(key::SpeechRate, -7);
        store.setBoolean(key::Option2, true);
        store.setText(key::Text1, u""_s);
    }
    QSettings raw(QSettings::IniFormat, QSettings::UserScope, u"Quillmark"_s, u"Quillmark"_s);
    EXPECT_TRUE(raw.fileName().endsWith(u"/Quillmark/Quillmark.ini"_s));
    EXPECT_EQ(raw.value(u"Vellumtone/Speech Rate"_s).toString(), u"-7"_s);
    EXPECT_EQ(raw.value(u"Vellumtone/Option2"_s).toString(), u"True"_s);
    SettingsStore again;
    EXPECT_EQ(again.text(key::Text1), u""_s); // a stored empty text is not the default
}

TEST_F(Settings, NumbersRoundHalvesToEvenAndReadTheLeadingNumber)
{
    SettingsStore store;
    const std::pair<const char*, int> cases[] = {
        {"2.5", 2},    {"3.5", 4}, {"-2.5", -2}, {"-3.5", -4}, {"2.6", 3}, {"abc", 0}, {"", 0},
        {"12abc", 12}, {"  7", 7}, {"1e2", 100}, {"-", 0},     {".5", 0},  {"1.5x", 2}};
    for (const auto& [text, expected] : cases) {
        store.setText(key::SpeechRate, QString::fromLatin1(text));
        EXPECT_EQ(store.number(key::SpeechRate), expected) << text;
    }
    store.setText(key::VolumeLevel, u"1e30"_s);
    EXPECT_THROW(store.number(key::VolumeLevel), vt::Error);
}

TEST_F(Settings, BooleansAcceptWordsAndNumbersOnly)
{
    SettingsStore store;
    for (const auto& [text, expected] :
         {std::pair{"True", true}, {"false", false}, {"1", true}, {"0", false}, {"-1", true}}) {
        store.setText(key::Option1, QString::fromLatin1(text));
        EXPECT_EQ(store.boolean(key::Option1), expected) << text;
    }
    store.setText(key::Option1, u"maybe"_s);
    try {
        store.boolean(key::Option1);
        FAIL() << "no conversion error";
    } catch (const vt::Error& e) {
        EXPECT_EQ(e.number(), err::TypeMismatch);
    }
}

TEST_F(Settings, EveryCodeFrom1To255SurvivesTheStore)
{
    QString all;
    for (int code = 1; code <= 255; ++code)
        all += QChar(code);
    {
        SettingsStore store;
        store.setText(key::Snapshot, all);
        store.setText(key::Text1, u"/home/a, b; c/"_s);
    }
    SettingsStore store;
    EXPECT_EQ(store.text(key::Snapshot), all);
    EXPECT_EQ(store.text(key::Text1), u"/home/a, b; c/"_s);
}
