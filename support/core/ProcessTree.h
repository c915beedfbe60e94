#pragma once
#include <cstdint>
#include <vector>

// One process as a snapshot of the system lists it: its id, its parent's id
// (which the system does not update when the parent ends, and may have
// given to another process since) and when it was created.
struct ProcessEntry {
    std::uint32_t id = 0;
    std::uint32_t parentId = 0;
    std::uint64_t created = 0;  // any clock that orders creations
};

// The processes that `rootId` started, and those they started, as far as
// the snapshot shows them. A process counts as a child only when it was
// created after its parent: an id that a process left behind may have been
// taken by an unrelated process since, and its children are no one's.
// Parents come before their children; the root is not included.
std::vector<std::uint32_t> DescendantsOf(std::uint32_t rootId, const std::vector<ProcessEntry>& processes);
