// The words a person reads, in the languages sylvo speaks: the rows of each
// language's catalog, po/LANG.po, printed at build. The English text is the
// key, as with gettext; a text without a translation stays English.
#include <cstring>

#include "sylvo.h"

namespace {

struct Translation {
  const char* english;
  const char* text;
};

constexpr Translation kJapanese[] = {
#include "catalog_ja.inc"
    {nullptr, nullptr},
};

// Whether a locale's name ("ja", "ja_JP.UTF-8", "ja-JP", "ja.SJIS") names
// Japanese.
bool japanese(const char* language) {
  return language && language[0] == 'j' && language[1] == 'a' &&
         (language[2] == '\0' || language[2] == '_' || language[2] == '-' || language[2] == '.' ||
          language[2] == '@');
}

}  // namespace

const char* sylvo_translate(const char* english, const char* language) {
  if (!english) return "";
  if (!japanese(language)) return english;
  for (const Translation* t = kJapanese; t->english; ++t) {
    if (std::strcmp(t->english, english) == 0) return t->text;
  }
  return english;
}
