// A small strict JSON reader for the tests: reads back what `rdbtool list --json` writes.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct JsonValue {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  bool boolean = false;
  int64_t number = 0;     // integers only: the tool writes no fractions
  std::u16string text;    // strings as UTF-16, escapes resolved (an unpaired surrogate is refused)
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;

  // The member `key` of an object, or null when absent.
  const JsonValue* Get(const std::string& key) const;
};

// False on any syntax error or trailing text.
bool ParseJson(const std::string& text, JsonValue& out);
