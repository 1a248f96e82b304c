#include "reading/dictionary.h"

#include <cstdlib>
#include <cstring>

#include "core/words.h"

#ifdef SYLVO_MECAB
#include <mecab.h>

namespace {

// Field `n` (from 0) of a dictionary entry's comma-separated features.
std::string field(const char* features, int n) {
  const char* p = features;
  for (; n > 0 && p; --n) {
    p = std::strchr(p, ',');
    if (p) ++p;
  }
  if (!p) return std::string();
  const char* end = std::strchr(p, ',');
  std::string value = end ? std::string(p, end) : std::string(p);
  return value == "*" ? std::string() : value;
}

bool utf8_dictionary(mecab_t* tagger) {
  const mecab_dictionary_info_t* info = mecab_dictionary_info(tagger);
  if (!info || !info->charset) return false;
  std::string charset;
  for (const char* c = info->charset; *c; ++c) {
    if (*c != '-') charset += static_cast<char>(*c | 0x20);
  }
  return charset == "utf8";
}

}  // namespace

Dictionary::Dictionary() {
  const char* folder = std::getenv("SYLVO_DICTIONARY");
  // The IPA dictionary in UTF-8, where Debian's mecab-ipadic-utf8 puts it,
  // when MeCab's own is in another encoding.
  std::string tries[] = {folder && *folder ? std::string("-d ") + folder : std::string(),
                         "-d /var/lib/mecab/dic/ipadic-utf8"};
  for (const std::string& arguments : tries) {
    mecab_t* tagger = mecab_new2(arguments.c_str());
    if (tagger && utf8_dictionary(tagger)) {
      tagger_ = tagger;
      error_.clear();
      return;
    }
    if (tagger) {
      mecab_destroy(tagger);
      error_ = N_("the dictionary is not in UTF-8");
    } else {
      error_ = mecab_strerror(nullptr);
    }
    if (folder && *folder) return;  // the one named, or none
  }
}

Dictionary::~Dictionary() {
  if (tagger_) mecab_destroy(static_cast<mecab_t*>(tagger_));
}

void Dictionary::analyse(void* self, const char* text, size_t size,
                         std::vector<reading::Token>& out) {
  mecab_t* tagger = static_cast<mecab_t*>(static_cast<Dictionary*>(self)->tagger_);
  for (const mecab_node_t* node = mecab_sparse_tonode2(tagger, text, size); node;
       node = node->next) {
    if (node->stat != MECAB_NOR_NODE && node->stat != MECAB_UNK_NODE) continue;
    if (node->length == 0 || node->surface < text || node->surface + node->length > text + size)
      continue;
    // IPA's features: part of speech (4), conjugation (2), base form,
    // reading, pronunciation.
    out.push_back({static_cast<size_t>(node->surface - text), node->length, field(node->feature, 7),
                   field(node->feature, 8)});
  }
}

reading::Reading Dictionary::read(const char* lyrics, size_t size, bool as_written) const {
  return reading::read(lyrics, size, as_written, tagger_ ? analyse : nullptr,
                       const_cast<Dictionary*>(this));
}

#else  // a build without MeCab

Dictionary::Dictionary()
    : error_(N_("this build of sylvo has no dictionary: give the readings "
                "of kanji in ruby, as 雪《ゆき》")) {}
Dictionary::~Dictionary() = default;
void Dictionary::analyse(void*, const char*, size_t, std::vector<reading::Token>&) {}
reading::Reading Dictionary::read(const char* lyrics, size_t size, bool as_written) const {
  return reading::read(lyrics, size, as_written, nullptr, nullptr);
}

#endif
