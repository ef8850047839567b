#include "common/step_guard.h"
#include "fake_window.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

TEST(ErrorReport, AFailingStepIsReportedAndTheProcedureGoesOn)
{
    test::FakeWindow window;
    StepGuard guard(window.report(), u"Form1.PushButton2_Click"_s);
    QStringList done;
    guard.step(100, [&] { done << u"100"_s; });
    const bool ok = guard.step(102, [&] { raise(err::FileNotFound, u"File not found"_s); });
    guard.step(104, [&] { done << u"104"_s; });

    EXPECT_FALSE(ok);
    EXPECT_EQ(done, (QStringList{u"100"_s, u"104"_s}));
    ASSERT_EQ(window.messages.size(), 1);
    const auto& box = window.messages.first();
    EXPECT_EQ(box.caption, u"Application Error"_s);
    EXPECT_EQ(box.icon, Icon::Warning);
    EXPECT_EQ(box.buttons, Buttons::Ok);
    EXPECT_EQ(box.text,
              u"File not found\nin Vellumtone2021/08/31.Form1.PushButton2_Click at line 102"
              u"\n\nPlease email screenshot of this message to support@vellumtone.example"_s);
}

TEST(ErrorReport, AFailedTestEntersItsBranch)
{
    test::FakeWindow window;
    StepGuard guard(window.report(), u"AddFolder.Scan"_s, kAddFolderLocation);
    EXPECT_TRUE(guard.test(110, []() -> bool { throw std::runtime_error("boom"); }));
    EXPECT_FALSE(guard.test(112, [] { return false; }));
    EXPECT_EQ(guard.value(114, 7, []() -> int { throw std::bad_alloc(); }), 7);
    ASSERT_EQ(window.messages.size(), 2);
    EXPECT_TRUE(window.messages[0].text.startsWith(
        u"boom\nin OrvelTitle2021/08/31.AddFolder.Scan at line 110"_s));
    EXPECT_TRUE(window.messages[1].text.startsWith(u"Out of memory\n"_s));
    EXPECT_EQ(guard.failures(), 2);
}
