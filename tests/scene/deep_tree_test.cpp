// A scene tree far deeper than any stack: a chain of a million nodes is walked in
// order, searched, partly deleted and destroyed without recursion.
#include <gtest/gtest.h>

#include "hostkit/scene/scene.h"

namespace {
constexpr int kDepth = 1000000;

struct CountingVisitor : SceneNodeCallback {
    int visited = 0;
    int stopAt = -1;
    std::vector<HostNode*> firstFew;
    int visitNode(HostNode* node) override {
        if (firstFew.size() < 3) firstFew.push_back(node);
        return ++visited == stopAt ? 1 : 0;
    }
};
} // namespace

TEST(DeepTree, MillionLevelChainIsWalkedInOrderAndTornDown) {
    auto scene = std::make_unique<Scene>();
    SceneNode* parent = nullptr;
    std::vector<SceneNode*> chain;
    for (int level = 0; level < kDepth; ++level) {
        parent = scene->createNode(level == kDepth - 1 ? "last" : "n", parent);
        if (level < 3) chain.push_back(parent);
    }
    SceneNode* sibling = scene->createNode("sibling"); // after the chain in pre-order
    CountingVisitor all;
    EXPECT_EQ(scene->enumerateNodes(&all), 1);
    EXPECT_EQ(all.visited, kDepth + 1);
    EXPECT_EQ(all.firstFew, (std::vector<HostNode*>{chain[0], chain[1], chain[2]}));
    CountingVisitor stopped;
    stopped.stopAt = 10;
    EXPECT_EQ(scene->enumerateNodes(&stopped), 0);
    EXPECT_EQ(stopped.visited, 10);

    std::vector<SceneNode*> nodes = scene->nodes();
    ASSERT_EQ(nodes.size(), size_t(kDepth + 1));
    EXPECT_EQ(nodes[kDepth - 1], parent);
    EXPECT_EQ(nodes.back(), sibling);
    EXPECT_EQ(scene->findNode("last"), parent);

    scene->select(parent);
    scene->deleteNode(chain[1]); // all but the top of the chain
    EXPECT_EQ(scene->selectedCount(), 0);
    EXPECT_EQ(scene->nodes().size(), 2u);
    parent = chain[0];
    for (int level = 0; level < kDepth; ++level) parent = scene->createNode("m", parent);
    scene.reset(); // the destructor must not recurse either
}
