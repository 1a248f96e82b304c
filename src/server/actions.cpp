// Quick fixes, and lyrics put on the notes.
#include <memory>
#include <utility>

#include "core/words.h"
#include "server/server.h"
#include "server/shared.h"

using Json = nlohmann::json;
using namespace server;  // NOLINT(google-build-using-namespace)

// For each problem in the range with suggestions, a quick fix for each: the
// bytes at fault replaced by the suggestion.
Json Server::code_actions(const Json& params) {
  std::string uri;
  Document* d = document(params, &uri);
  Json actions = Json::array();
  if (!d) return actions;
  const Json& r = params.at("range");
  size_t from = d->offset(position_of(r.at("start")), units_);
  size_t to = d->offset(position_of(r.at("end")), units_);
  static std::unique_ptr<sylvo_problem[]> problems(new sylvo_problem[kProblemsMax]);
  sylvo_check_result result;
  sylvo_check_memory(d->bytes.data(), d->bytes.size(), "", problems.get(), kProblemsMax, &result);
  SylvoLines lines{d->bytes};
  // The lines of the range, so that only their problems are placed: each
  // line's start is found from the document's.
  unsigned long long line, last_line;
  size_t column;
  lines.place(from, &line, &column);
  lines.place(to, &last_line, &column);
  for (size_t i = 0; i < result.count; ++i) {
    const sylvo_problem& p = problems[i];
    if (p.suggestion_count == 0 || p.line < line || p.line > last_line || p.start < 0 ||
        p.severity == SYLVO_NOTE) {
      continue;
    }
    size_t start = lines.start(p.line) + static_cast<size_t>(p.start);
    size_t end = start + p.length;
    if (end < from || start > to) continue;
    Json where = range(*d, start, end);
    // Named with what it replaces: a line may hold two problems with one fix.
    const std::string was = text_of(*d, d->bytes.data() + start, end - start);
    for (size_t k = 0; k < p.suggestion_count && k < SYLVO_SUGGESTIONS_MAX; ++k) {
      std::string with = p.suggestions[k];
      std::string title = say("Replace {1} with {2}", {was, with});
      actions.push_back(
          {{"title", title},
           {"kind", "quickfix"},
           {"isPreferred", k == 0},
           {"edit", {{"changes", {{uri, Json::array({{{"range", where}, {"newText", with}}})}}}}}});
    }
  }
  // After the quick fixes: a lyrics comment right above a line of notes put
  // on them, named with what it puts there; while a word has no reading,
  // the action says so, and a quick fix makes room for the reading.
  LyricsComment c;
  for (unsigned long long above : {line, line - 1}) {
    if (above == 0 || !lyrics_comment(*d, lines.start(above), &c)) continue;
    lyrics_fixes(uri, *d, c, actions);
    std::string left, why;
    Json edit = fit_edit(uri, *d, above + 1, above + 1, c.text, &left, &why);
    const size_t shown = std::min<size_t>(c.reading->keys.size(), 8);
    std::string keys = c.keys(0, shown) + (shown < c.reading->keys.size() ? " …" : "");
    Json action = {{"title", say("Put {1} on the notes below", {keys}) + left},
                   {"kind", "refactor.rewrite"}};
    if (!why.empty()) {
      action["title"] = say("Put these lyrics on the notes below");
      action["disabled"] = {{"reason", why}};
    } else if (edit.is_null()) {
      continue;
    } else {
      action["edit"] = std::move(edit);
    }
    actions.push_back(std::move(action));
    break;
  }
  return actions;
}

Json Server::fit_edit(const std::string& uri, const Document& d, unsigned long long line,
                      unsigned long long last, const std::string& lyrics, std::string* left,
                      std::string* why) const {
  const reading::Reading& sung = read_lyrics(lyrics);
  if (!sung.problems.empty()) {  // the rest would land a note early
    if (why) *why = sung.message(sung.problems[0], language_.c_str());
    return nullptr;
  }
  SylvoLines lines{d.bytes};
  size_t from = lines.start(line);
  if (from >= d.bytes.size() && line > 1) return nullptr;
  size_t to = d.bytes.find('\n', lines.start(last));
  if (to == std::string::npos) to = d.bytes.size();
  if (to > from && d.bytes[to - 1] == '\r') --to;
  std::string fitted;
  sylvo_fit_result r;
  auto append = [](void* out, const unsigned char* bytes, size_t size) {
    static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(bytes), size);
    return 1;
  };
  sylvo_fit_lyrics(d.bytes.data() + from, to - from, sung.sung.data(), sung.sung.size(), append,
                   &fitted, &r);
  if (r.notes == 0 || fitted == d.bytes.substr(from, to - from)) return nullptr;
  auto count = [this](size_t n, const char* one, const char* many) {
    return say(n == 1 ? one : many, {std::to_string(n)});
  };
  *left = r.syllables_left == 0
              ? ""
              : say(" ({1})", {count(r.syllables_left, N_("{1} syllable left over"),
                                     N_("{1} syllables left over"))});
  Json edit = {{"range", range(d, from, to)},
               {"newText", text_of(d, fitted.data(), fitted.size())}};
  return {{"changes", {{uri, Json::array({edit})}}}};
}

// sylvo.fitLyrics: [uri, range, lyrics] puts the lyrics on the notes of the
// range's lines, through the client, as one edit. An end at a line's first
// character leaves that line out, as a selection of whole lines ends; a line
// (from 0) in place of the range stands for that line.
Json Server::execute(const Json& params) {
  if (params.at("command") != "sylvo.fitLyrics") return nullptr;
  const Json& args = params.at("arguments");
  std::string uri = args.at(0);
  auto found = documents_.find(uri);
  if (found == documents_.end()) return nullptr;
  const Document& d = found->second;
  Position first{0, 0}, last{0, 0};
  if (args.at(1).is_object()) {
    first = position_of(args.at(1).at("start"));
    last = position_of(args.at(1).at("end"));
    if (last.line < first.line) std::swap(first, last);
    if (last.character == 0 && last.line > first.line) --last.line;
  } else {
    first.line = last.line = args.at(1).get<size_t>();
  }
  SylvoLines lines{d.bytes};
  unsigned long long line, last_line;
  size_t column;
  lines.place(d.offset({first.line, 0}, units_), &line, &column);
  lines.place(d.offset({last.line, 0}, units_), &last_line, &column);
  std::string left, why;
  Json edit = fit_edit(uri, d, line, last_line, args.at(2).get<std::string>(), &left, &why);
  if (!why.empty()) notify("window/showMessage", {{"type", 2}, {"message", why}});
  if (edit.is_null()) return nullptr;
  Json apply = {{"label", say("Put the lyrics on the notes") + left}};
  apply["edit"] = std::move(edit);
  ask("workspace/applyEdit", std::move(apply));
  return nullptr;
}
