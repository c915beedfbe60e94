#include "support/core/ProcessTree.h"

#include <algorithm>

std::vector<std::uint32_t> DescendantsOf(std::uint32_t rootId, const std::vector<ProcessEntry>& processes) {
    std::vector<const ProcessEntry*> tree;
    const auto root = std::find_if(processes.begin(), processes.end(), [&](const ProcessEntry& p) { return p.id == rootId; });
    if (root == processes.end()) return {};
    tree.push_back(&*root);
    // Breadth first; a process joins the tree once at most (the snapshot may
    // hold a cycle of stale parent ids).
    for (std::size_t next = 0; next < tree.size(); ++next) {
        const ProcessEntry& parent = *tree[next];
        for (const ProcessEntry& p : processes) {
            if (p.parentId != parent.id || p.id == parent.id || p.created < parent.created) continue;
            if (std::find(tree.begin(), tree.end(), &p) == tree.end()) tree.push_back(&p);
        }
    }
    std::vector<std::uint32_t> ids;
    for (std::size_t i = 1; i < tree.size(); ++i) ids.push_back(tree[i]->id);
    return ids;
}
