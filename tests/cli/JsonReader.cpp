#include "tests/cli/JsonReader.h"

namespace {

class Parser {
 public:
  explicit Parser(const std::string& s) : s_(s) {}

  bool Document(JsonValue& v) {
    if (!Value(v)) return false;
    Space();
    return i_ == s_.size();
  }

 private:
  void Space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t')) ++i_;
  }
  bool Literal(const char* word) {
    const std::string w = word;
    if (s_.compare(i_, w.size(), w) != 0) return false;
    i_ += w.size();
    return true;
  }
  bool Value(JsonValue& v) {
    Space();
    if (i_ >= s_.size()) return false;
    const char c = s_[i_];
    if (c == '{') return Object(v);
    if (c == '[') return Array(v);
    if (c == '"') {
      v.kind = JsonValue::kString;
      return String(v.text);
    }
    if (c == 't' || c == 'f') {
      v.kind = JsonValue::kBool;
      v.boolean = c == 't';
      return Literal(c == 't' ? "true" : "false");
    }
    if (c == 'n') {
      v.kind = JsonValue::kNull;
      return Literal("null");
    }
    return Number(v);
  }
  bool Number(JsonValue& v) {
    v.kind = JsonValue::kNumber;
    bool negative = false;
    if (s_[i_] == '-') {
      negative = true;
      ++i_;
    }
    const size_t start = i_;
    uint64_t value = 0;
    while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') value = value * 10 + (s_[i_++] - '0');
    if (i_ == start || (s_[start] == '0' && i_ - start > 1)) return false;
    v.number = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    return true;
  }
  bool Hex4(uint32_t& unit) {
    if (s_.size() - i_ < 4) return false;
    unit = 0;
    for (int k = 0; k < 4; ++k) {
      const char h = s_[i_++];
      unit <<= 4;
      if (h >= '0' && h <= '9') unit |= h - '0';
      else if (h >= 'a' && h <= 'f') unit |= h - 'a' + 10;
      else if (h >= 'A' && h <= 'F') unit |= h - 'A' + 10;
      else return false;
    }
    return true;
  }
  // As strict readers do, a string whose escapes leave a surrogate unpaired is refused.
  static bool Paired(const std::u16string& text) {
    for (size_t k = 0; k < text.size(); ++k) {
      const char16_t u = text[k];
      if (u >= 0xD800 && u <= 0xDBFF && k + 1 < text.size() && text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF) ++k;
      else if (u >= 0xD800 && u <= 0xDFFF) return false;
    }
    return true;
  }
  bool String(std::u16string& out) {
    ++i_;  // opening quote
    out.clear();
    while (i_ < s_.size()) {
      const unsigned char c = static_cast<unsigned char>(s_[i_]);
      if (c == '"') {
        ++i_;
        return Paired(out);
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        if (++i_ >= s_.size()) return false;
        const char e = s_[i_++];
        switch (e) {
          case '"': out += u'"'; break;
          case '\\': out += u'\\'; break;
          case '/': out += u'/'; break;
          case 'b': out += u'\b'; break;
          case 'f': out += u'\f'; break;
          case 'n': out += u'\n'; break;
          case 'r': out += u'\r'; break;
          case 't': out += u'\t'; break;
          case 'u': {
            uint32_t unit;
            if (!Hex4(unit)) return false;
            out += static_cast<char16_t>(unit);
            break;
          }
          default: return false;
        }
        continue;
      }
      // One UTF-8 sequence (the tool writes only valid ones).
      uint32_t cp;
      size_t len;
      if (c < 0x80) cp = c, len = 1;
      else if ((c & 0xE0) == 0xC0) cp = c & 0x1F, len = 2;
      else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, len = 3;
      else if ((c & 0xF8) == 0xF0) cp = c & 0x07, len = 4;
      else return false;
      if (s_.size() - i_ < len) return false;
      for (size_t k = 1; k < len; ++k) {
        const unsigned char t = static_cast<unsigned char>(s_[i_ + k]);
        if ((t & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (t & 0x3F);
      }
      i_ += len;
      if (cp >= 0x10000) {
        out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        out += static_cast<char16_t>(cp);
      }
    }
    return false;
  }
  bool Array(JsonValue& v) {
    v.kind = JsonValue::kArray;
    ++i_;
    Space();
    if (i_ < s_.size() && s_[i_] == ']') {
      ++i_;
      return true;
    }
    for (;;) {
      JsonValue item;
      if (!Value(item)) return false;
      v.items.push_back(std::move(item));
      Space();
      if (i_ >= s_.size()) return false;
      if (s_[i_] == ']') {
        ++i_;
        return true;
      }
      if (s_[i_++] != ',') return false;
    }
  }
  bool Object(JsonValue& v) {
    v.kind = JsonValue::kObject;
    ++i_;
    Space();
    if (i_ < s_.size() && s_[i_] == '}') {
      ++i_;
      return true;
    }
    for (;;) {
      Space();
      if (i_ >= s_.size() || s_[i_] != '"') return false;
      std::u16string key16;
      if (!String(key16)) return false;
      Space();
      if (i_ >= s_.size() || s_[i_++] != ':') return false;
      JsonValue member;
      if (!Value(member)) return false;
      v.members.emplace_back(std::string(key16.begin(), key16.end()), std::move(member));
      Space();
      if (i_ >= s_.size()) return false;
      if (s_[i_] == '}') {
        ++i_;
        return true;
      }
      if (s_[i_++] != ',') return false;
    }
  }

  const std::string& s_;
  size_t i_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Get(const std::string& key) const {
  for (const auto& m : members)
    if (m.first == key) return &m.second;
  return nullptr;
}

bool ParseJson(const std::string& text, JsonValue& out) {
  out = JsonValue();
  return Parser(text).Document(out);
}
