// A failed end-to-end test prints what the stand-in editor logged: a run on
// another machine leaves nothing else to read.
#include <gtest/gtest.h>

#include "tests/robot/Robot.h"

namespace {

const bool kLogOnFailure = (StandinHost::testFailed = [] { return ::testing::Test::HasFailure(); }, true);

}  // namespace
