// Scene tree: enumeration order, early stop, lookup, deletion and selection.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostkit/scene/scene.h"

namespace {

class NameCollector : public SceneNodeCallback {
  public:
    std::vector<std::string> names;
    std::string stopAt;
    int visitNode(HostNode* node) override {
        names.push_back(node->name());
        return names.back() == stopAt ? 1 : 0;
    }
};

// Root
//   A
//     A1
//       A1x
//     A2
//   B
//     B1
struct SmallTree {
    Scene scene;
    SceneNode* a = scene.createNode("A");
    SceneNode* a1 = scene.createNode("A1", a);
    SceneNode* a1x = scene.createNode("A1x", a1);
    SceneNode* a2 = scene.createNode("A2", a);
    SceneNode* b = scene.createNode("B");
    SceneNode* b1 = scene.createNode("B1", b);
};

TEST(SceneTree, RootIsNamedAndHoldsNothing) {
    Scene scene;
    EXPECT_STREQ(scene.root()->name(), "Scene Root");
    EXPECT_EQ(scene.root()->evaluate(0, 1).obj, nullptr);
    EXPECT_EQ(scene.root()->material(), nullptr);
    EXPECT_EQ(scene.root()->parent(), nullptr);
}

TEST(SceneTree, EnumeratesParentsBeforeChildrenInChildOrder) {
    SmallTree t;
    t.scene.createNode("A3", t.a); // appended after A2 although created last
    NameCollector names;
    EXPECT_EQ(t.scene.enumerateNodes(&names), 1);
    EXPECT_EQ(names.names, (std::vector<std::string>{"A", "A1", "A1x", "A2", "A3", "B", "B1"}));
}

TEST(SceneTree, EnumerationStopsWhenCallbackReturnsNonzero) {
    SmallTree t;
    NameCollector names;
    names.stopAt = "A1x";
    EXPECT_EQ(t.scene.enumerateNodes(&names), 0);
    EXPECT_EQ(names.names, (std::vector<std::string>{"A", "A1", "A1x"}));
}

TEST(SceneTree, EmptySceneEnumeratesNothing) {
    Scene scene;
    NameCollector names;
    EXPECT_EQ(scene.enumerateNodes(&names), 1);
    EXPECT_TRUE(names.names.empty());
}

TEST(SceneTree, ChildrenAndParentsLinkBothWays) {
    SmallTree t;
    EXPECT_EQ(t.scene.root()->childCount(), 2);
    EXPECT_EQ(t.a->childCount(), 2);
    EXPECT_EQ(t.a->child(1), t.a2);
    EXPECT_EQ(t.a->child(2), nullptr);
    EXPECT_EQ(t.a1x->parent(), t.a1);
    EXPECT_EQ(t.a->parent(), t.scene.root());
    EXPECT_EQ(t.a->childIndex(t.a2), 1);
    EXPECT_EQ(t.a->childIndex(t.b1), -1);
}

TEST(SceneTree, FindNodeGivesFirstInEnumerationOrder) {
    SmallTree t;
    SceneNode* second = t.scene.createNode("A1", t.b); // same name, later in the walk
    EXPECT_EQ(t.scene.findNode("A1"), t.a1);
    EXPECT_NE(t.scene.findNode("A1"), second);
    EXPECT_EQ(t.scene.findNode("missing"), nullptr);
    EXPECT_EQ(t.scene.findNode("Scene Root"), nullptr); // the root is not below itself
}

TEST(SceneTree, DeleteNodeRemovesSubtreeAndItsSelection) {
    SmallTree t;
    t.scene.select(t.a1x);
    t.scene.select(t.b);
    t.scene.select(t.a2);
    t.scene.deleteNode(t.a1);
    NameCollector names;
    t.scene.enumerateNodes(&names);
    EXPECT_EQ(names.names, (std::vector<std::string>{"A", "A2", "B", "B1"}));
    ASSERT_EQ(t.scene.selectedCount(), 2);
    EXPECT_EQ(t.scene.selected(0), t.b);
    EXPECT_EQ(t.scene.selected(1), t.a2);
}

TEST(Selection, KeepsSelectionOrderAndIgnoresRepeats) {
    SmallTree t;
    t.scene.select(t.b1);
    t.scene.select(t.a);
    t.scene.select(t.b1);
    t.scene.select(t.scene.root());
    ASSERT_EQ(t.scene.selectedCount(), 2);
    EXPECT_EQ(t.scene.selected(0), t.b1);
    EXPECT_EQ(t.scene.selected(1), t.a);
    EXPECT_EQ(t.scene.selected(2), nullptr);
    EXPECT_FALSE(t.scene.isSelected(t.scene.root()));
}

TEST(Selection, DeselectKeepsOrderOfTheRest) {
    SmallTree t;
    for (SceneNode* n : {t.a, t.a1, t.a2, t.b}) t.scene.select(n);
    t.scene.deselect(t.a1);
    t.scene.deselect(t.b1); // not selected: no change
    ASSERT_EQ(t.scene.selectedCount(), 3);
    EXPECT_EQ(t.scene.selected(0), t.a);
    EXPECT_EQ(t.scene.selected(1), t.a2);
    EXPECT_EQ(t.scene.selected(2), t.b);
    EXPECT_FALSE(t.scene.isSelected(t.a1));
    t.scene.clearSelection();
    EXPECT_EQ(t.scene.selectedCount(), 0);
}

TEST(Selection, SelectingAParentDoesNotSelectItsChildren) {
    SmallTree t;
    t.scene.select(t.a);
    EXPECT_TRUE(t.scene.isSelected(t.a));
    EXPECT_FALSE(t.scene.isSelected(t.a1));
    EXPECT_EQ(t.scene.selectedCount(), 1);
}

} // namespace
