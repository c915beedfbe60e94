#include <gtest/gtest.h>

#include "support/core/ProcessTree.h"

TEST(ProcessTree, DescendantsByParentIdCreatedAfterTheirParent) {
    struct Case {
        const char* what;
        std::vector<ProcessEntry> processes;
        std::vector<std::uint32_t> expected;
    };
    const Case cases[] = {
        {"children and grandchildren, parents first",
         {{10, 1, 100}, {11, 10, 110}, {12, 10, 120}, {13, 11, 130}, {20, 1, 105}},
         {11, 12, 13}},
        {"an id reused by an older process is no child",
         {{10, 1, 100}, {11, 10, 90}, {12, 11, 130}},
         {}},
        {"a child whose parent ended is still found through it only while the parent is listed",
         {{10, 1, 100}, {13, 11, 130}},
         {}},
        {"a stale cycle of parent ids ends", {{10, 11, 100}, {11, 10, 100}}, {11}},
        {"no such root", {{11, 10, 110}}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(DescendantsOf(10, c.processes), c.expected) << c.what;
}
