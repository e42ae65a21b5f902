#include "layout/CPositionWndConfig.h"

#include <utility>
#include <vector>

CPositionWndConfig::~CPositionWndConfig() {
  // Descriptions can nest as deep as the text is long: the subtree is taken apart with a
  // work list instead of recursive destructors, so no input can exhaust the stack.
  std::vector<std::unique_ptr<CPositionWndConfig>> pending;
  for (auto& entry : children) pending.push_back(std::move(entry.second));
  children.clear();
  while (!pending.empty()) {
    std::unique_ptr<CPositionWndConfig> record = std::move(pending.back());
    pending.pop_back();
    for (auto& entry : record->children) pending.push_back(std::move(entry.second));
    record->children.clear();
  }
}

const CPositionWndConfig* CPositionWndConfig::FindChild(const std::string& key) const {
  const auto found = children.find(key);
  return found == children.end() ? nullptr : found->second.get();
}

void CPositionWndConfig::AddChild(std::unique_ptr<CPositionWndConfig> child) {
  std::string key = child->id;
  children[std::move(key)] = std::move(child);
}
