#include "common/settings.h"
#include "fresh_process.h"
#include "speech/sp_voice.h"
#include "speech/voice_catalogue.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// The voice list as a combo box holds it.
class FakeVoiceList : public VoiceListPort
{
  public:
    void clearVoices() override
    {
        items.clear();
        index = -1;
    }
    void addVoice(const VoiceToken& voice) override { items.append(voice.GetDescription()); }
    int voiceCount() const override { return int(items.size()); }
    void setVoiceIndex(int i) override
    {
        index = i;
        selections.append(i);
    }

    QStringList items;
    int index = -1;
    QList<int> selections; // every index set, as the list's handler sees them
};

QStringList engineVoices()
{
    QStringList names;
    for (const VoiceToken& token : SpVoice().GetVoices())
        names.append(token.GetDescription());
    return names;
}

class LoadVoiceListTest : public ::testing::Test
{
  protected:
    bool load(const QString& combo)
    {
        store.setText(key::Combo, combo);
        return LoadVoiceList(list, store);
    }

    SettingsStore store;
    FakeVoiceList list;
};

TEST_F(LoadVoiceListTest, MirrorsTheEnginesVoicesAndRestoresTheChoice)
{
    ASSERT_TRUE(load(u"2"_s));
    EXPECT_EQ(list.items, engineVoices());
    EXPECT_EQ(list.index, 2);
    EXPECT_EQ(list.selections, QList<int>{2});
    // Twice gives the same list, not a doubled one.
    ASSERT_TRUE(load(u"2"_s));
    EXPECT_EQ(list.items, engineVoices());
}

TEST_F(LoadVoiceListTest, StoredChoicesThatSelectNothingStillSucceed)
{
    const int count = int(engineVoices().size());
    EXPECT_TRUE(load(u"-1"_s));
    EXPECT_EQ(list.index, -1);
    EXPECT_TRUE(load(QString::number(count)));
    EXPECT_EQ(list.index, -1); // a voice that went away is no choice
    EXPECT_TRUE(load(u"99999999999"_s));
    EXPECT_EQ(list.index, -1);
}

TEST_F(LoadVoiceListTest, ReadsTheLeadingNumberOfTheStoredText)
{
    EXPECT_TRUE(load(u"abc"_s));
    EXPECT_EQ(list.index, 0);
    EXPECT_TRUE(load(u"3xyz"_s));
    EXPECT_EQ(list.index, 3);
    EXPECT_TRUE(load(u"2.5"_s)); // halves to even
    EXPECT_EQ(list.index, 2);
}

TEST_F(LoadVoiceListTest, AChoiceThatCannotBeAppliedFailsAfterFilling)
{
    EXPECT_FALSE(load(u"-5"_s));
    EXPECT_EQ(list.items, engineVoices());
    EXPECT_EQ(list.index, -1);
    EXPECT_FALSE(load(u"-40000"_s));
}

TEST(LoadVoiceList, AnEngineThatCannotBeLoadedGivesTheMessage)
{
    VT_IN_FRESH_PROCESS({
        QTemporaryDir empty;
        qputenv("ESPEAK_DATA_PATH", QFile::encodeName(empty.path()));
        SettingsStore store;
        FakeVoiceList list;
        list.items = QStringList{u"left as it was"_s};
        EXPECT_FALSE(LoadVoiceList(list, store));
        EXPECT_EQ(list.items, QStringList{u"left as it was"_s});
        EXPECT_EQ(InstalledVoices().error(),
                  u"No voices found within the espeak-ng speech engine installed on "
                  u"this computer."_s);
    });
}

} // namespace
} // namespace vt
