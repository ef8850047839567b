#pragma once

#include "app/form1.h"
#include "fake_window.h"
#include "modal_answerer.h"
#include "test_env.h"

#include <gtest/gtest.h>
#include <memory>

namespace vt::test
{

// A main window over an empty settings store and a private working folder.
// The vendor page never opens, and closing the window ends no process.
class AppTest : public ::testing::Test
{
  protected:
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<Form1> makeForm(Form1::Services services = {});
    // A form that went through start-up.
    std::unique_ptr<Form1> loadedForm(Form1::Services services = {});
    static void store(const char* key, const QString& value);
    static QString stored(const char* key);
    static bool isStored(const char* key);

    TempWorkingFolder temp;
    ModalAnswerer boxes;
    int processEnds = 0;
};

// The "Application Error" text of a failing step.
QString applicationError(const QString& description, const QString& procedure, int line);

} // namespace vt::test
