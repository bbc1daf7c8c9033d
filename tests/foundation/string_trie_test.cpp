#include "foundation/string_trie.h"

#include <gtest/gtest.h>

#include <string>

namespace meridiana {
namespace {

const TrieNode* Sibling(const TrieNode* node, int n) {
  while (node && n-- > 0) node = node->sibling.get();
  return node;
}

TEST(StringTrie, SplitsAFragmentAtTheFirstDifference) {
  StringTrie trie;
  TrieInsert(&trie, "test", 1);
  TrieInsert(&trie, "team", 2);

  // "te" keeps the common prefix without a value; the old tail comes first among its children,
  // the new key's rest is appended as the last sibling.
  const TrieNode* te = trie.root();
  ASSERT_NE(te, nullptr);
  EXPECT_EQ(te->fragment, "te");
  EXPECT_EQ(te->value, 0);
  EXPECT_EQ(te->sibling, nullptr);
  ASSERT_NE(te->child, nullptr);
  EXPECT_EQ(te->child->fragment, "st");
  EXPECT_EQ(te->child->value, 1);
  ASSERT_NE(Sibling(te->child.get(), 1), nullptr);
  EXPECT_EQ(Sibling(te->child.get(), 1)->fragment, "am");
  EXPECT_EQ(Sibling(te->child.get(), 1)->value, 2);

  // A key that ends inside a fragment takes the split node itself.
  TrieNode* t = TrieInsert(&trie, "t", 3);
  ASSERT_EQ(t, trie.root());
  EXPECT_EQ(t->fragment, "t");
  EXPECT_EQ(t->value, 3);
  ASSERT_NE(t->child, nullptr);
  EXPECT_EQ(t->child->fragment, "e");
  EXPECT_EQ(t->child->value, 0);
  EXPECT_EQ(t->child->child->fragment, "st");  // the old children moved down with the tail

  EXPECT_EQ(TrieFind(trie, "test"), 1);
  EXPECT_EQ(TrieFind(trie, "team"), 2);
  EXPECT_EQ(TrieFind(trie, "t"), 3);
  EXPECT_EQ(TrieFind(trie, "te"), 0);
  EXPECT_EQ(TrieFind(trie, "tes"), 0);
  EXPECT_EQ(TrieFind(trie, "tests"), 0);
  EXPECT_EQ(TrieFind(trie, "x"), 0);
}

TEST(StringTrie, OverwritesAndLooksUpWithOrWithoutCase) {
  StringTrie trie;
  const char* keys[] = {"File", "Fill", "Filter", "Edit", "E", "Exit", "Help", "Fi"};
  for (int i = 0; i < 8; ++i) TrieInsert(&trie, keys[i], 100 + i);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(TrieFind(trie, keys[i]), 100 + i) << keys[i];

  TrieNode* again = TrieInsert(&trie, "Fill", 7);
  EXPECT_EQ(TrieFind(trie, "Fill"), 7);
  EXPECT_EQ(TrieInsert(&trie, "Fill", 8), again);  // the same node holds the key

  EXPECT_EQ(TrieFind(trie, "FILTER"), 0);
  EXPECT_EQ(TrieFindNoCase(trie, "FILTER"), 102);
  EXPECT_EQ(TrieFindNoCase(trie, "help"), 106);
  EXPECT_EQ(TrieFindNoCase(trie, "hel"), 0);

  EXPECT_EQ(TrieInsert(&trie, "", 1), nullptr);
  EXPECT_EQ(TrieInsert(&trie, nullptr, 1), nullptr);
  EXPECT_EQ(TrieFind(trie, nullptr), 0);
  EXPECT_EQ(TrieFind(trie, ""), 0);

  TrieFree(&trie);
  EXPECT_TRUE(trie.empty());
  EXPECT_EQ(TrieFind(trie, "File"), 0);
}

TEST(StringTrie, ManyKeysAndLongChainsRelease) {
  StringTrie trie;
  // Every byte as a first character gives a top-level chain of 255 siblings; long keys give
  // deep child chains. Both must be found and released without trouble.
  for (int c = 1; c < 256; ++c) {
    const std::string key(1, static_cast<char>(c));
    TrieInsert(&trie, key.c_str(), c);
  }
  std::string deep;
  for (int i = 0; i < 2000; ++i) {
    deep.push_back(static_cast<char>('a' + i % 26));
    TrieInsert(&trie, deep.c_str(), 1000 + i);
  }
  for (int c = 1; c < 256; ++c) {
    const std::string key(1, static_cast<char>(c));
    if (c != 'a') {
      EXPECT_EQ(TrieFind(trie, key.c_str()), c);
    }
  }
  EXPECT_EQ(TrieFind(trie, deep.c_str()), 2999);
  EXPECT_EQ(TrieFind(trie, deep.substr(0, 1000).c_str()), 1999);
}

}  // namespace
}  // namespace meridiana
