#pragma once
// A compact prefix tree from strings to 32-bit values (the translation tables). Each node holds a
// key fragment; siblings differ in the first character of their fragments. A value of 0 means
// "no value", so 0 cannot be stored meaningfully.

#include <cstdint>
#include <memory>
#include <string>

namespace meridiana {

struct TrieNode {
  std::string fragment;
  std::unique_ptr<TrieNode> sibling;
  std::unique_ptr<TrieNode> child;
  std::int32_t value = 0;

  TrieNode() = default;
  TrieNode(const TrieNode&) = delete;
  TrieNode& operator=(const TrieNode&) = delete;
  // Releases the sibling chain and the children without deep recursion.
  ~TrieNode();
};

class StringTrie {
 public:
  // The first node of the top-level sibling chain, or null when the trie is empty.
  const TrieNode* root() const { return root_.get(); }
  bool empty() const { return !root_; }

 private:
  friend TrieNode* TrieInsert(StringTrie* trie, const char* key, std::int32_t value);
  friend void TrieFree(StringTrie* trie);
  std::unique_ptr<TrieNode> root_;
};

// Inserts or overwrites; the node that holds the key, or null for a null or empty key.
TrieNode* TrieInsert(StringTrie* trie, const char* key, std::int32_t value);
// Exact, case-sensitive lookup: the value, or 0.
std::int32_t TrieFind(const StringTrie& trie, const char* key);
// The same, comparing characters after upper-casing both sides (ASCII).
std::int32_t TrieFindNoCase(const StringTrie& trie, const char* key);
// Releases every node.
void TrieFree(StringTrie* trie);

}  // namespace meridiana
