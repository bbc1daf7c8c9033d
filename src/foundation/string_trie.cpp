#include "foundation/string_trie.h"

#include <vector>

#include "foundation/text_util.h"

namespace meridiana {
namespace {

std::unique_ptr<TrieNode> MakeNode(std::string fragment, std::int32_t value) {
  auto node = std::make_unique<TrieNode>();
  node->fragment = std::move(fragment);
  node->value = value;
  return node;
}

template <bool NoCase>
bool Same(char a, char b) {
  if constexpr (NoCase) return AsciiUpper(a) == AsciiUpper(b);
  return a == b;
}

template <bool NoCase>
std::int32_t Find(const TrieNode* node, const char* key) {
  if (!key || !*key) return 0;
  while (node) {
    while (node && !Same<NoCase>(node->fragment[0], *key)) node = node->sibling.get();
    if (!node) return 0;
    const std::string& fragment = node->fragment;
    std::size_t i = 0;
    while (i < fragment.size() && key[i] && Same<NoCase>(fragment[i], key[i])) ++i;
    if (i < fragment.size()) return 0;  // mismatch, or the key ends inside the fragment
    key += i;
    if (!*key) return node->value;
    node = node->child.get();
  }
  return 0;
}

}  // namespace

TrieNode::~TrieNode() {
  // Unlink everything below into a work list so destruction never recurses along long chains.
  std::vector<std::unique_ptr<TrieNode>> pending;
  if (sibling) pending.push_back(std::move(sibling));
  if (child) pending.push_back(std::move(child));
  while (!pending.empty()) {
    std::unique_ptr<TrieNode> node = std::move(pending.back());
    pending.pop_back();
    if (node->sibling) pending.push_back(std::move(node->sibling));
    if (node->child) pending.push_back(std::move(node->child));
  }
}

TrieNode* TrieInsert(StringTrie* trie, const char* key, std::int32_t value) {
  if (!trie || !key || !*key) return nullptr;
  std::unique_ptr<TrieNode>* chain = &trie->root_;
  for (;;) {
    // Find the sibling whose fragment starts with the key's next character.
    std::unique_ptr<TrieNode>* slot = chain;
    while (*slot && (*slot)->fragment[0] != *key) slot = &(*slot)->sibling;
    if (!*slot) {
      *slot = MakeNode(key, value);
      return slot->get();
    }
    TrieNode* node = slot->get();
    std::size_t i = 0;
    while (i < node->fragment.size() && key[i] && node->fragment[i] == key[i]) ++i;

    if (i == node->fragment.size()) {
      if (!key[i]) {  // key and fragment end together
        node->value = value;
        return node;
      }
      key += i;  // the fragment ends first: go on among the children
      chain = &node->child;
      continue;
    }

    // They differ inside the fragment: split it. The tail keeps the old value and children.
    auto tail = MakeNode(node->fragment.substr(i), node->value);
    tail->child = std::move(node->child);
    node->fragment.resize(i);
    node->child = std::move(tail);
    if (!key[i]) {
      node->value = value;
      return node;
    }
    node->value = 0;
    std::unique_ptr<TrieNode>* last = &node->child->sibling;
    while (*last) last = &(*last)->sibling;
    *last = MakeNode(key + i, value);
    return last->get();
  }
}

std::int32_t TrieFind(const StringTrie& trie, const char* key) {
  return Find<false>(trie.root(), key);
}

std::int32_t TrieFindNoCase(const StringTrie& trie, const char* key) {
  return Find<true>(trie.root(), key);
}

void TrieFree(StringTrie* trie) {
  if (trie) trie->root_.reset();
}

}  // namespace meridiana
