// The tool's watcher stays for minutes after the last run, and a Wine process
// keeps the standard error of the program that started it: here the test
// runner's output, which the runner reads to its end. So each test program
// ends the copies of the tool it leaves running when it is done (a later run
// finds no watcher and starts one, as after a watcher ended from outside).
#include <gtest/gtest.h>

#include "tests/robot/Robot.h"

namespace {

class EndLeftWatcher : public ::testing::Environment {
public:
    void TearDown() override { EndToolCopies(); }
};

[[maybe_unused]] ::testing::Environment* const kEndLeftWatcher =
    ::testing::AddGlobalTestEnvironment(new EndLeftWatcher);

}  // namespace
