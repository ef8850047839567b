#pragma once

#include <cstdlib>
#include <gtest/gtest.h>

// The speech engine is loaded once per process: a test that needs it
// unloaded or broken runs its body in a new process of the test program.
// The body uses the usual EXPECT_ and ASSERT_ macros.
#define VT_IN_FRESH_PROCESS(...)                                                                   \
    do {                                                                                           \
        GTEST_FLAG_SET(death_test_style, "threadsafe");                                            \
        EXPECT_EXIT(                                                                               \
            {                                                                                      \
                [&] { __VA_ARGS__; }();                                                            \
                std::_Exit(::testing::Test::HasFailure() ? 1 : 0);                                 \
            },                                                                                     \
            ::testing::ExitedWithCode(0), "");                                                     \
    } while (0)
