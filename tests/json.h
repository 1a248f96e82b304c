// A small, strict JSON reader for the tests: what a program prints as JSON
// must parse whole, and its values are looked at by path.
#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct Json {
  enum Type { kNull, kBool, kNumber, kString, kArray, kObject } type = kNull;
  double number = 0;
  std::string text;  // a string, as UTF-8; "true"/"false" for a bool
  std::vector<Json> items;
  std::map<std::string, Json> members;

  const Json& operator[](const std::string& key) const {
    static const Json kNone;
    auto it = members.find(key);
    return it == members.end() ? kNone : it->second;
  }
  const Json& operator[](size_t i) const {
    static const Json kNone;
    return i < items.size() ? items[i] : kNone;
  }
};

/// Parses all of `s` as one JSON value; false if it is not exactly that.
class JsonReader {
 public:
  static bool parse(const std::string& s, Json* out) {
    JsonReader r{s};
    return r.value(out) && (r.blank(), r.at_ == s.size());
  }

 private:
  explicit JsonReader(const std::string& s) : s_(s) {}
  const std::string& s_;
  size_t at_ = 0;

  void blank() {
    while (at_ < s_.size() &&
           (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\t' || s_[at_] == '\r'))
      ++at_;
  }
  bool eat(char c) {
    blank();
    if (at_ < s_.size() && s_[at_] == c) return ++at_, true;
    return false;
  }
  bool word(const char* w, Json* out, Json::Type type) {
    size_t n = std::char_traits<char>::length(w);
    if (s_.compare(at_, n, w) != 0) return false;
    at_ += n;
    out->type = type;
    out->text = w;
    return true;
  }
  bool string_value(std::string* out) {
    if (!eat('"')) return false;
    while (at_ < s_.size() && s_[at_] != '"') {
      unsigned char c = static_cast<unsigned char>(s_[at_++]);
      if (c < 0x20) return false;
      if (c != '\\') {
        *out += static_cast<char>(c);
        continue;
      }
      if (at_ >= s_.size()) return false;
      char e = s_[at_++];
      const char* plain = "\"\\/bfnrt";
      const char* meant = "\"\\/\b\f\n\r\t";
      if (const char* p = std::char_traits<char>::find(plain, 8, e)) {
        *out += meant[p - plain];
      } else if (e == 'u' && at_ + 4 <= s_.size()) {
        unsigned long u = std::strtoul(s_.substr(at_, 4).c_str(), nullptr, 16);
        at_ += 4;
        if (u < 0x80) {
          *out += static_cast<char>(u);
        } else if (u < 0x800) {
          *out += static_cast<char>(0xC0 | (u >> 6));
          *out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
          *out += static_cast<char>(0xE0 | (u >> 12));
          *out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
          *out += static_cast<char>(0x80 | (u & 0x3F));
        }
      } else {
        return false;
      }
    }
    return eat('"');
  }
  bool value(Json* out) {
    blank();
    if (at_ >= s_.size()) return false;
    char c = s_[at_];
    if (c == '"') return out->type = Json::kString, string_value(&out->text);
    if (c == 't') return word("true", out, Json::kBool);
    if (c == 'f') return word("false", out, Json::kBool);
    if (c == 'n') return word("null", out, Json::kNull);
    if (c == '[') {
      ++at_;
      out->type = Json::kArray;
      if (eat(']')) return true;
      do {
        out->items.emplace_back();
        if (!value(&out->items.back())) return false;
      } while (eat(','));
      return eat(']');
    }
    if (c == '{') {
      ++at_;
      out->type = Json::kObject;
      if (eat('}')) return true;
      do {
        std::string key;
        if (!string_value(&key) || !eat(':') || !value(&out->members[key])) return false;
      } while (eat(','));
      return eat('}');
    }
    const char* from = s_.c_str() + at_;
    char* end = nullptr;
    out->number = std::strtod(from, &end);
    if (end == from) return false;
    out->type = Json::kNumber;
    at_ += static_cast<size_t>(end - from);
    return true;
  }
};
