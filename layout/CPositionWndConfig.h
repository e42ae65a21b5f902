// One record of a parsed layout description: where a window sits, how large it is at
// least, and to which edges of its parent it is anchored, with the records of its child
// windows keyed by their layout ids.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class CPositionWndConfig {
 public:
  // Keys are narrow text in the thread's ANSI code page, ordered byte by byte (unsigned)
  // and case-sensitively, which is how std::string compares.
  using ChildMap = std::map<std::string, std::unique_ptr<CPositionWndConfig>>;

  explicit CPositionWndConfig(CPositionWndConfig* pParent = nullptr) : parent(pParent) {}
  ~CPositionWndConfig();
  CPositionWndConfig(const CPositionWndConfig&) = delete;
  CPositionWndConfig& operator=(const CPositionWndConfig&) = delete;

  // The child entered under exactly `key` (byte for byte), or null.
  const CPositionWndConfig* FindChild(const std::string& key) const;
  // Enters `child` under its id; a child already entered under that id is dropped.
  void AddChild(std::unique_ptr<CPositionWndConfig> child);

  CPositionWndConfig* parent;  // the enclosing record; null for the hidden root
  // A description that leaves out a geometry attribute gets 0 there.
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::string id;
  std::int32_t topLock = 1;
  std::int32_t leftLock = 1;
  std::int32_t bottomLock = 0;
  std::int32_t rightLock = 0;
  ChildMap children;
};
