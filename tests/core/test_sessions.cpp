// The sessions: each side's state, and the chart sequences its window runs.
#include <gtest/gtest.h>

#include <memory>

#include "sessions/sessions.h"

using namespace eiyou;

TEST(Sessions, Placeholder) { EXPECT_TRUE(true); }
