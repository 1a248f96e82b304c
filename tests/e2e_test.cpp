// End-to-end tests: run the built sylvo in a fresh temporary directory and
// check the exact standard output, the exit status and the files left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "json.h"

#ifdef _WIN32
#include <windows.h>
#endif

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using std::string;
using namespace std::string_literals;

const string kDone = "\n@ SyLvO conversion completed.\n\n";
const string kBanner =
    "\nSyLvO  Version 2.0 beta4\nLyric syllables in MML turned into sung instrument runs.\n";
const string kSong = "t120\n#SYLVO\n#SYLVO_VSET_ALL 1\nl8 o4 (KA)c (SHI)d4 (@O2KO)e ; la\n(N)f2.\n";
const string kSongOut =
    "t120\n;#SYLVO\n;#SYLVO_VSET_ALL 1\nl8 o4 @@5c#1@@6w#1@@7w#1@@30w8~#3 "
    "@@8d#2@@9w#2@@10w#1@@31w4~#5 @@5e#1@@6w#1@@7w#1@@39w8~#3 ; la\n@@14f2.\n";

struct Result {
  int status;
  string out;
};

string quote(const string& arg) {
#ifdef _WIN32
  return "\"" + arg + "\"";
#else
  string q = "'";
  for (char c : arg) q += c == '\'' ? string("'\\''") : string(1, c);
  return q + "'";
#endif
}

#ifdef _WIN32
// UTF-8 as UTF-16.
std::wstring widened(const string& utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring wide(n > 0 ? static_cast<size_t>(n) : 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], n);
  wide.resize(wide.size() - 1);
  return wide;
}
#endif

class E2E : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::current_path();
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("sylvo-e2e-" + string(info->name()) + "-" + std::to_string(std::random_device{}()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::current_path(dir_);
  }

  void TearDown() override {
    fs::current_path(home_);
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::all, ignored);
    fs::remove_all(dir_, ignored);
    fs::remove(capture(), ignored);
    fs::remove_all(dir_.string() + ".bin", ignored);
  }

  fs::path capture() const { return dir_.string() + ".stdout"; }

  // Whether file permissions bite for run(..., true): not for root unless
  // setpriv can drop its rights. Sets `why` when they do not.
  static bool permissions_bite(string* why) {
#ifdef _WIN32
    *why = "POSIX permissions";
    return false;
#else
    if (geteuid() != 0) return true;
    if (std::system("command -v setpriv > /dev/null") == 0) return true;
    *why = "running as root without setpriv, permissions would not bite";
    return false;
#endif
  }

  // Runs sylvo with `args`; `unprivileged` drops root's rights first (as the
  // user nobody, with a copy of the program it may run), so that permissions
  // bite as they do for a user.
  Result run(const std::vector<string>& args, bool unprivileged = false) {
    string command;
    string program = program_.empty() ? program_path() : program_;
#ifndef _WIN32
    if (unprivileged && geteuid() == 0) {
      fs::path copy = dir_.string() + ".bin";
      fs::create_directories(copy);
      fs::copy_file(program, copy / "sylvo", fs::copy_options::overwrite_existing);
      fs::permissions(copy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
      program = (copy / "sylvo").string();
      command = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
#endif
    command += env_ + quote(program);
    for (const string& a : args) command += " " + quote(a);
    if (!stdin_.empty()) command += " < " + quote(stdin_);
    command += " > " + quote(capture().string());
    std::error_code none;
    fs::remove(capture(), none);  // no output of an earlier run is read as this one's
#ifdef _WIN32
    (void)unprivileged;
    // cmd /c drops the first and the last quote of a command: add a pair.
    // -1: the shell itself did not start (Wine, now and then); start it again.
    int status = -1;
    for (int tries = 0; tries < 3 && status == -1; ++tries) {
      status = wide_ ? _wsystem(widened("\"" + command + "\"").c_str())
                     : std::system(("\"" + command + "\"").c_str());
    }
    // Standard output is text there: each newline came out as CR LF.
    string out = read(capture());
    for (size_t at = 0; (at = out.find("\r\n", at)) != string::npos;) out.erase(at, 1);
    return {status, out};
#else
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read(capture())};
#endif
  }

#ifndef _WIN32
  // Runs sylvo with `args` and standard output a pipe whose reader has gone,
  // as in `sylvo ... | true` once `true` has ended: its message is lost.
  Result run_into_closed_pipe(const std::vector<string>& args) {
    int ends[2];
    if (pipe(ends) != 0) return {-2, ""};
    close(ends[0]);
    string program = program_path();
    std::vector<char*> argv{program.data()};
    std::vector<string> copies(args);
    for (string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      dup2(ends[1], 1);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(ends[1]);
    int raw = 0;
    waitpid(pid, &raw, 0);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ""};
  }
#endif

  // Runs sylvo-lyrics with `args`, standard input from the file `input`;
  // on Windows its arguments are the UTF-16 of theirs, as a console gives
  // a program what is typed.
  Result lyrics(const std::vector<string>& args, const string& input = "") {
    program_ = program_path(SYLVO_LYRICS_EXE);
    stdin_ = input;
    wide_ = true;
    Result r = run(args);
    program_.clear();
    stdin_.clear();
    wide_ = false;
    return r;
  }

  // Runs sylvo-check with `args`, standard input from the file `input`.
  Result check(const std::vector<string>& args, const string& input = "") {
    program_ = program_path(SYLVO_CHECK_EXE);
    stdin_ = input;
    Result r = run(args);
    program_.clear();
    stdin_.clear();
    return r;
  }

  // The program, as the shell that runs it names it.
  static string program_path(string p = SYLVO_EXE) {
#ifdef _WIN32
    if (!p.empty() && p[0] == '/') p = "Z:" + p;  // built on Linux, run by Wine
    std::replace(p.begin(), p.end(), '/', '\\');
#endif
    return p;
  }

  static void put(const fs::path& name, const string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }

  static string read(const fs::path& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }

  // The names in the test directory, sorted, directories marked with '/'.
  string listing() const {
    std::vector<string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir_)) {
      string name = e.path().lexically_relative(dir_).generic_string();
      names.push_back(e.is_directory() ? name + "/" : name);
    }
    std::sort(names.begin(), names.end());
    string all;
    for (const string& n : names) all += n + " ";
    return all;
  }

  fs::path home_;
  fs::path dir_;
  string env_;         // put before the program on the command line
  string program_;     // run in place of sylvo, when set
  bool wide_ = false;  // Windows: the command line given as UTF-16
  string stdin_;       // the file standard input reads, when set
};

TEST_F(E2E, NoArgumentsPrintsBannerAndUsage) {
  Result r = run({});
  EXPECT_EQ(r.status, 1);
#ifdef _WIN32
  EXPECT_EQ(r.out, kBanner + "\n*** Usage: sylvo.exe input_filename [output_filename]\n\n");
#else
  EXPECT_EQ(r.out, kBanner + "\n*** Usage: sylvo input_filename [output_filename]\n\n");
#endif
  EXPECT_EQ(listing(), "");
  // The usage line names the program as it is called, after its directory.
  fs::path renamed = dir_.string() + ".bin";
  fs::create_directories(renamed);
  renamed /= fs::path(program_path()).extension() == ".exe" ? "tune.exe" : "tune";
  fs::copy_file(program_path(), renamed);
  program_ = renamed.string();
  r = run({});
  const string usage = kBanner + "\n*** Usage: " + renamed.filename().string() +
                       " input_filename [output_filename]\n\n";
  EXPECT_EQ(r.out, usage);
  // --help names the program too, never its argument.
  EXPECT_EQ(run({"--help"}).out.rfind(usage, 0), 0u);
}

// --help, -h, --version and -V alone print the usage or the version, but a
// song of that name converts as before, and so does any other argument.
TEST_F(E2E, HelpAndVersionOnlyWhenNoSuchFile) {
  for (const char* arg : {"--help", "-h"}) {
    Result r = run({arg});
    EXPECT_EQ(r.status, 0) << arg;
    EXPECT_EQ(r.out.rfind(kBanner + "\n*** Usage: ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("sylvo-check FILE..."), string::npos) << r.out;
  }
  for (const char* arg : {"--version", "-V"}) EXPECT_EQ(run({arg}).out, "sylvo 2.0 beta4\n");
  EXPECT_EQ(run({"--help", "o.mml"}).out, "\n*** Can't open input file: --help\n\n");
  EXPECT_EQ(run({"--verbose"}).out, "\n*** Can't open input file: --verbose\n\n");
  EXPECT_EQ(listing(), "");
  put("--help", kSong);
  put("-V", kSong);
  Result r = run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kDone);
  EXPECT_EQ(read("--help_out"), kSongOut);
  EXPECT_EQ(run({"-V"}).out, kDone);
  EXPECT_EQ(listing(), "--help --help_out -V -V_out ");
}

// A shell pattern (sylvo *.mml) or several songs dropped on the program
// give three or more names: nothing is converted, opened for writing or
// made, whether the files exist or not.
TEST_F(E2E, MoreThanTwoFilesConvertNothing) {
#ifdef _WIN32
  const string usage = "\n*** Usage: sylvo.exe input_filename [output_filename]\n\n";
#else
  const string usage = "\n*** Usage: sylvo input_filename [output_filename]\n\n";
#endif
  const string refused = kBanner + usage +
                         "sylvo converts one song at a time; for many, run it once for each: "
                         "for f in *.mml; do sylvo \"$f\"; done "
                         "(cmd: for %f in (*.mml) do sylvo \"%f\")\n\n";
  const std::vector<std::vector<string>> calls = {
      {"a.mml", "b.mml", "c.mml"},     {"a.mml", "b.mml", "c.mml", "d.mml"},
      {"a.mml", "new.mml", "c.mml"},   {"none1.mml", "none2.mml", "none3.mml"},
      {"a.mml", "a_out.mml", "b.mml"}, {"--help", "-V", "a.mml"},
  };
  put("a.mml", kSong);
  put("b.mml", "t150\n#SYLVO\n(KI)d8\n");
  put("c.mml", kSongOut);
  put("a_out.mml", "keep");
  const string files = listing();
  for (const auto& args : calls) {
    Result r = run(args);
    EXPECT_EQ(r.status, 1) << args[2];
    EXPECT_EQ(r.out, refused) << args[2];
    EXPECT_EQ(listing(), files);
  }
  EXPECT_EQ(read("a.mml"), kSong);
  EXPECT_EQ(read("b.mml"), "t150\n#SYLVO\n(KI)d8\n");
  EXPECT_EQ(read("c.mml"), kSongOut);
  EXPECT_EQ(read("a_out.mml"), "keep");
}

// An existing output that is a song not yet converted (its first line that
// begins with "#SYLVO" or ";#SYLVO" begins with "#SYLVO") is never written;
// a previous output, or any other file, is replaced as before.
TEST_F(E2E, NeverOverwritesASong) {
  struct Case {
    string old;  // what the output holds
    bool kept;   // refused, the output as it was
  };
  const Case cases[] = {
      {"t150\n#SYLVO\n(KI)d8\n", true},
      {"#SYLVO", true},
      {";\x83\x6c\r\n#SYLVO_VSET 1\r\n", true},  // a directive line is a "#SYLVO" line too
      {"x\n" + string(5000, 'y') + "\n#SYLVO\n", true},
      {"\n;#SYLVO\n#SYLVO\n", false},  // a previous output: the first is ";#SYLVO"
      {kSongOut, false},
      {"#SYLV\n;#SYLVOX\n", false},
      {" #SYLVO\n;x#SYLVO\n##SYLVO\n", false},  // none of them begins a line with it
      {"", false},
      {"keep", false},
  };
  put("song.mml", kSong);
  for (const Case& c : cases) {
    put("x.mml", c.old);
    Result r = run({"song.mml", "x.mml"});
    EXPECT_EQ(r.status, c.kept ? 1 : 0) << c.old;
    EXPECT_EQ(r.out, c.kept ? "\n*** Can't overwrite a song not yet converted: x.mml\n\n" : kDone)
        << c.old;
    EXPECT_EQ(read("x.mml"), c.kept ? c.old : kSongOut);
  }
  // The output name formed from the input's, and a link that leads to a song.
  put("song_out.mml", "#SYLVO\n");
  EXPECT_EQ(run({"song.mml"}).out,
            "\n*** Can't overwrite a song not yet converted: song_out.mml\n\n");
  EXPECT_EQ(read("song_out.mml"), "#SYLVO\n");
  std::error_code no_links;
  fs::create_symlink("song_out.mml", "link.mml", no_links);
  if (!no_links) {
    EXPECT_EQ(run({"song.mml", "link.mml"}).out,
              "\n*** Can't overwrite a song not yet converted: link.mml\n\n");
    EXPECT_EQ(read("song_out.mml"), "#SYLVO\n");
  }
  EXPECT_EQ(read("song.mml"), kSong);
}

#ifdef SYLVO_LSP_EXE
// The language server over its standard input and output: exit 0 after
// shutdown, 1 without; it writes no file.
TEST_F(E2E, LanguageServerEndsAsTheProtocolSays) {
  auto framed = [](const string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  };
  const string init = framed(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
  const string open = framed(
      R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
      R"({"uri":"file:///nowhere/a.mml","languageId":"mml","version":1,"text":"#SYLVO\n(KX)c\n"}}})");
  const string shutdown = framed(R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})");
  const string exit = framed(R"({"jsonrpc":"2.0","method":"exit"})");
  program_ = program_path(SYLVO_LSP_EXE);
  put("in", init + open + shutdown + exit);
  stdin_ = "in";
  Result r = run({"--stdio"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(R"("code":"illegal-token")"), string::npos) << r.out;
  EXPECT_NE(r.out.find(R"({"id":2,"jsonrpc":"2.0","result":null})"), string::npos) << r.out;
  put("in", init + open + exit);
  EXPECT_EQ(run({}).status, 1);
  put("in", init);  // the client goes away
  EXPECT_EQ(run({}).status, 1);
  stdin_.clear();
  for (const char* asked : {"--version", "-V"}) {
    Result version = run({asked});
    EXPECT_EQ(version.status, 0) << asked;
    EXPECT_EQ(version.out, "sylvo-lsp 2.0 beta4\n") << asked;
  }
  Result help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: sylvo-lsp [--stdio]\n", 0), 0u) << help.out;
  EXPECT_EQ(run({"--frob"}).status, 2);
  program_.clear();
  EXPECT_EQ(listing(), "in ");
}
#endif

TEST_F(E2E, ConvertsTheWholeExample) {
  put("song.mml", kSong);
  Result r = run({"song.mml"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kDone);
  EXPECT_EQ(read("song_out.mml"), kSongOut);
  EXPECT_EQ(read("song.mml"), kSong);
  EXPECT_EQ(listing(), "song.mml song_out.mml ");
}

// sylvo-check prints every problem of every file, writes nothing, and
// exits 0 with none, 1 with one, 2 on a usage or read error.
TEST_F(E2E, CheckPrintsEveryProblem) {
  put("song.mml", kSong);
  put("bad.mml", "#SYLVO\n(KA)c8 (KX)c8\n(SHI)x\n");
  put("crlf.mml", "#SYLVO\r\n(ka)c\r\n");
  put("plain.mml", "c8 d8\n");
  put("warn.mml", "#SYLVO\n/* slow */ (KA)c\n#SYLVO_VSET_ALL -1\n");
  // Each at the first byte at fault, with its explanation and name.
  const string kBad =
      "bad.mml:2:9: error: Illegal token! line:2: KX is not a syllable key [illegal-token]\n"
      "> (KA)c8 (KX)c8\n"
      "bad.mml:2:9: note: KX is no key; keys one edit away: KA, KI, KU, KE, KO [near-keys]\n"
      "bad.mml:3:6: error: Syntax error! line:3: (SHI) takes a note after its ')': a to g, w or "
      "k, not 'x' [syntax]\n> (SHI)x\n";
  const string kWarn =
      "warn.mml:2:5: warning: 'l' sets the default length to nothing: the syllables after it "
      "take no length, the first (KA) on line 2; this 'l' is inside a block comment, where 'l' "
      "acts too [empty-length]\n"
      "warn.mml:3:17: warning: the sign of '-1' is not read: it sets 1 [directive-number]\n";
  const string kLower =
      ":2:2: error: Illegal token! line:2: keys are capitals: KA [illegal-token]\n> (ka)\n";
  struct Row {
    std::vector<string> args;
    string input;  // standard input's file
    int status;
    string out;
  } rows[] = {
      {{"song.mml"}, "", 0, "sylvo-check: no problems in 1 file\n"},
      {{"bad.mml"}, "", 1, kBad + "sylvo-check: 2 errors in 1 of 1 file\n"},
      {{"song.mml", "bad.mml", "crlf.mml"},
       "",
       1,
       kBad + "crlf.mml" + kLower + "sylvo-check: 3 errors in 2 of 3 files\n"},
      {{"plain.mml"},
       "",
       1,
       "plain.mml: error: NOT SyLvO file: plain.mml: no line begins with #SYLVO, the header after "
       "which syllables are converted [not-sylvo]\n"
       "sylvo-check: 1 error in 1 of 1 file\n"},
      {{"-"}, "crlf.mml", 1, "<stdin>" + kLower + "sylvo-check: 1 error in 1 of 1 file\n"},
      // Warnings alone pass, unless --werror counts them.
      {{"warn.mml"}, "", 0, kWarn + "sylvo-check: 2 warnings in 1 of 1 file\n"},
      {{"--werror", "warn.mml"}, "", 1, kWarn + "sylvo-check: 2 warnings in 1 of 1 file\n"},
      {{"warn.mml", "bad.mml"},
       "",
       1,
       kWarn + kBad + "sylvo-check: 2 errors and 2 warnings in 2 of 2 files\n"},
      {{"--", "-"}, "song.mml", 0, "sylvo-check: no problems in 1 file\n"},
      {{"missing.mml", "song.mml"}, "", 2, "sylvo-check: no problems in 1 file\n"},
      {{"."}, "", 2, "sylvo-check: no problems in 0 files\n"},
      {{}, "", 2, ""},
      {{"--frob", "song.mml"}, "", 2, ""},
      {{"--version"}, "", 0, "sylvo-check 2.0 beta4\n"},
  };
  for (const Row& row : rows) {
    Result r = check(row.args, row.input);
    string call;
    for (const string& a : row.args) call += a + " ";
    EXPECT_EQ(r.status, row.status) << call;
    EXPECT_EQ(r.out, row.out) << call;
  }
  string help = check({"--help"}).out;
  EXPECT_EQ(help.rfind("Usage: sylvo-check [--json] [--werror] FILE...\n", 0), 0u) << help;
  EXPECT_EQ(check({"-h"}).out, help);
  EXPECT_EQ(listing(), "bad.mml crlf.mml plain.mml song.mml warn.mml ");

  // Many problems: the first hundred, then how many more.
  string many = "#SYLVO\n";
  for (int i = 0; i < 60; ++i) many += "(KX)c (ka)c\n";
  put("many.mml", many);
  Result r = check({"many.mml"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("many.mml: and 80 more\nsylvo-check: 120 errors in 1 of 1 file\n"),
            string::npos);
}

#ifndef _WIN32  // there, .ci/run has Wine run it in a Japanese locale
// sylvo-check speaks the language the locale names: Japanese for ja_JP
// (LC_ALL before LC_MESSAGES before LANG), English for C; sylvo's own
// words, the kind names and the JSON's English fields stay.
TEST_F(E2E, CheckSpeaksTheLocalesLanguage) {
  put("bad.mml", "#SYLVO\n(KX)c8 (KA )c\n");
  const string japanese =
      "bad.mml:2:2: error: Illegal token! line:2: KX は音節のキーではありません [illegal-token]\n"
      "> (KX)c8 \n"
      "bad.mml:2:2: note: KX はキーではありません。一字違いのキー: KA, KI, KU, KE, KO "
      "[near-keys]\n"
      "bad.mml:2:11: error: Illegal token! line:2: (KA ) の中に空白があります: キーは「(」のす"
      "ぐ後の大文字一〜三字です（例: (KA)） [illegal-token]\n"
      "> (KX)c8 (KA )\n"
      "sylvo-check: 1 ファイル中 1 ファイルにエラー 2 件\n";
  const struct {
    const char* env;
    bool japanese;
  } rows[] = {
      {"LC_ALL= LC_MESSAGES= LANG=ja_JP.UTF-8", true},
      {"LC_ALL= LC_MESSAGES=ja_JP.UTF-8 LANG=C", true},
      {"LC_ALL=C LC_MESSAGES=ja_JP.UTF-8 LANG=ja_JP.UTF-8", false},
      {"LC_ALL= LC_MESSAGES= LANG=", false},
  };
  for (const auto& row : rows) {
    env_ = string("env ") + row.env + " ";
    Result r = check({"bad.mml"});
    EXPECT_EQ(r.status, 1);
    if (row.japanese) {
      EXPECT_EQ(r.out, japanese) << row.env;
    } else {
      EXPECT_EQ(
          r.out.rfind("bad.mml:2:2: error: Illegal token! line:2: KX is not a syllable key", 0), 0u)
          << row.env;
    }
  }
  env_ = "env LC_ALL= LC_MESSAGES= LANG=ja_JP.UTF-8 ";
  EXPECT_EQ(check({"--help"}).out.rfind("使い方: sylvo-check", 0), 0u);
  Result json = check({"--json", "bad.mml"});
  EXPECT_NE(json.out.find("\"kind\":\"illegal-token\""), string::npos);
  EXPECT_NE(json.out.find("\"explanation\":\"KX is not a syllable key\",\"words\":\"KX は音節の"
                          "キーではありません\""),
            string::npos)
      << json.out;
  env_.clear();
}
#endif

// `out` as run() captures it: on Windows, where standard output is text,
// without the CR of a CR LF.
string captured(string out) {
#ifdef _WIN32
  for (size_t at = 0; (at = out.find("\r\n", at)) != string::npos;) out.erase(at, 1);
#endif
  return out;
}

// What sylvo-lyrics prints and exits with; the readings of kanji are the
// reading tests' (they differ with the dictionary at hand), so these lyrics
// have none.
TEST_F(E2E, LyricsPrintsReadingsAndFitsASong) {
  Result r = lyrics({"--json", "故郷《ふるさと》 sakura", "雪《》"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(
      r.out,
      "{\"text\":\"故郷《ふるさと》 sakura\",\"reading\":\"ふるさと "
      "sakura\",\"keys\":[\"FU\",\"RU\","
      "\"SA\",\"TO\",\"SA\",\"KU\",\"RA\"],\"words\":[{\"text\":\"故郷\",\"at\":0,\"size\":6,"
      "\"reading\":\"ふるさと\",\"keys\":[\"FU\",\"RU\",\"SA\",\"TO\"],\"from\":\"ruby\"},"
      "{\"text\":\"sakura\",\"at\":25,\"size\":6,\"reading\":\"sakura\",\"keys\":[\"SA\",\"KU\","
      "\"RA\"],\"from\":\"romaji\"}],\"problems\":[]}\n"
      "{\"text\":\"雪《》\",\"reading\":\" \",\"keys\":[],\"words\":[{\"text\":\"雪\",\"at\":0,"
      "\"size\":3,\"reading\":\"\",\"keys\":[],\"from\":\"ruby\"}],\"problems\":[{\"at\":0,"
      "\"size\":3,\"message\":\"write the reading of 雪 inside its 《》\"}]}\n");
  put("lines.txt", "ka ki\r\n\r\nku\n");
  r = lyrics({}, (dir_ / "lines.txt").string());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "ka ki\n  ka ki\n  KA KI\n\n  \n \nku\n  ku\n  KU\n");

  // A fit writes the song with the lines' notes sung, CR LF and all; and
  // nothing while a word has no reading.
  put("song.mml", "#SYLVO\r\nc8 d e\r\nf g\r\n");
  r = lyrics({"--fit", (dir_ / "song.mml").string(), "--lines", "2-3", "ふる", "さと"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, captured("#SYLVO\r\n(FU)c8 (RU)d (SA)e\r\n(TO)f g\r\n"));
  r = lyrics({"--fit", (dir_ / "song.mml").string(), "--lines", "2", "ふ 雪《》 る"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  r = lyrics({"--fit", "-", "--lines", "2", "ふる"}, (dir_ / "song.mml").string());
  EXPECT_EQ(r.out, captured("#SYLVO\r\n(FU)c8 (RU)d e\r\nf g\r\n"));
  EXPECT_EQ(lyrics({"--fit", (dir_ / "none.mml").string(), "--lines", "1", "ka"}).status, 2);
  for (const std::vector<string>& usage : {std::vector<string>{"--lines", "1", "ka"},
                                           {"--fit", "x.mml", "ka"},
                                           {"--fit"},
                                           {"--fit", "x", "--lines", "0"},
                                           {"--fit", "x", "--lines", "3-2"},
                                           {"--fit", "x", "--lines", "1-"},
                                           {"--fit", "-", "--lines", "1"},
                                           {"--json", "--fit", "x", "--lines", "1", "ka"},
                                           {"--frobnicate"}}) {
    EXPECT_EQ(lyrics(usage).status, 2) << usage[0] << " " << usage.size();
  }
  EXPECT_EQ(lyrics({"--version"}).out, "sylvo-lyrics 2.0 beta4\n");
  r = lyrics({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Usage: sylvo-lyrics", 0), 0u);
}

TEST_F(E2E, CheckPrintsJson) {
  // Bytes that are no UTF-8: a Shift-JIS character, and what would be a surrogate.
  put("bad.mml", "#SYLVO\n\x83\x6c (KX)c8\n(SHI)x \xed\xa0\x80 (SHI)x\n");
  put("song.mml", kSong);
  put("warn.mml", "#SYLVO\n#SYLVO_VSET_ALL\n");
  Result r = check({"--json", "bad.mml", "-", "warn.mml"}, "song.mml");
  EXPECT_EQ(r.status, 1);
  std::vector<Json> files;
  std::istringstream lines(r.out);
  for (string line; std::getline(lines, line);) {
    files.emplace_back();
    ASSERT_TRUE(JsonReader::parse(line, &files.back())) << line;
  }
  ASSERT_EQ(files.size(), 3u) << r.out;
  const Json& bad = files[0];
  EXPECT_EQ(bad["file"].text, "bad.mml");
  EXPECT_EQ(bad["errors"].number, 3);
  ASSERT_EQ(bad["problems"].items.size(), 4u);
  const Json& first = bad["problems"][0];
  EXPECT_EQ(first["severity"].text, "error");
  EXPECT_EQ(first["kind"].text, "illegal-token");
  EXPECT_EQ(first["line"].number, 2);
  EXPECT_EQ(first["column"].number, 10);
  EXPECT_EQ(first["start"].number, 5);  // the key's letters
  EXPECT_EQ(first["length"].number, 2);
  EXPECT_EQ(first["message"].text, "*** Illegal token! line:2\n\n> \u0083l (KX)c8");
  EXPECT_EQ(first["text"].text, "Illegal token! line:2");
  EXPECT_EQ(first["echo"].text, "\u0083l (KX)c8");
  EXPECT_EQ(first["explanation"].text, "KX is not a syllable key");
  ASSERT_EQ(first["suggestions"].items.size(), 5u);
  EXPECT_EQ(first["suggestions"][0].text, "KA");
  EXPECT_EQ(first["suggestions"][4].text, "KO");
  EXPECT_EQ(bad["problems"][1]["severity"].text, "note");
  EXPECT_EQ(bad["problems"][1]["kind"].text, "near-keys");
  EXPECT_EQ(bad["problems"][2]["kind"].text, "syntax");
  EXPECT_EQ(bad["problems"][3]["echo"].text, "(SHI)x \u00ed\u00a0\u0080 (SHI)x");
  EXPECT_EQ(bad["more"].number, 0);
  EXPECT_EQ(files[1]["file"].text, "<stdin>");
  EXPECT_EQ(files[1]["problems"].items.size(), 0u);
  const Json& warning = files[2]["problems"][0];
  EXPECT_EQ(files[2]["warnings"].number, 1);
  EXPECT_EQ(warning["severity"].text, "warning");
  EXPECT_EQ(warning["kind"].text, "directive-number");
  EXPECT_EQ(warning["message"].text, "'#SYLVO_VSET_ALL' has no number: no voice set changes");
}

// CR LF line ends, Shift-JIS text, zero bytes and 0xFF come out unchanged.
TEST_F(E2E, KeepsEveryByte) {
  const string in =
      "; \x83\x81\x83\x8d\x83\x66\x83\x42\r\n\xff\x00\r\n#SYLVO\r\n"
      "l8 (KA)c (N)d4\r\n; \x89\xcc\x8e\x8c (KA)c\x00\xff\r\n(KA)c"s;
  const string out =
      "; \x83\x81\x83\x8d\x83\x66\x83\x42\r\n\xff\x00\r\n;#SYLVO\r\n"
      "l8 @@5c#1@@6w#1@@7w#1@@00w8~#3 @@14d4\r\n; \x89\xcc\x8e\x8c (KA)c\x00\xff\r\n"
      "@@5c#1@@6w#1@@7w#1@@00w8~#3"s;
  put("song.mml", in);
  Result r = run({"song.mml"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kDone);
  EXPECT_EQ(read("song_out.mml"), out);
}

TEST_F(E2E, ReplacesAnExistingOutput) {
  put("song.mml", kSong);
  put("x.mml", string(10000, 'o'));
  Result r = run({"song.mml", "x.mml"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(read("x.mml"), kSongOut);
}

TEST_F(E2E, FormsOutputNames) {
  struct Case {
    std::vector<string> args;
    string input;   // the file to create
    string output;  // the file the output must go to
  };
  const Case cases[] = {
      {{"song.mml"}, "song.mml", "song_out.mml"},
      {{"song"}, "song", "song_out"},
      {{"a.b.mml"}, "a.b.mml", "a.b_out.mml"},
      {{"song.mml", "x.mml"}, "song.mml", "x.mml"},
      {{"sub/song.mml"}, "sub/song.mml", "sub/song_out.mml"},
      {{"a.d/song"}, "a.d/song", "a.d/song_out"},
      {{"song.mml", "sub/x.mml"}, "song.mml", "sub/x.mml"},
      {{"song.mml", "sub/x"}, "song.mml", "sub/x"},
#ifdef _WIN32
      {{"sub\\song.mml"}, "sub/song.mml", "sub/song_out.mml"},
      {{"song.mml", "sub\\x.mml"}, "song.mml", "sub/x.mml"},
      {{"a.d\\song"}, "a.d/song", "a.d/song_out"},
      {{"my song.mml", "sub\\my out.mml"}, "my song.mml", "sub/my out.mml"},
#else
      // Backslashes split names too; here they are literal bytes of names.
      {{"d:\\m\\song.mml"}, "d:\\m\\song.mml", "d:\\m\\song_out.mml"},
      {{"song.mml", "out\\x.mml"}, "song.mml", "out\\x.mml"},
      {{"my song.mml", "sub/my out.mml"}, "my song.mml", "sub/my out.mml"},
#endif
  };
  for (const Case& c : cases) {
    fs::create_directories("sub");
    fs::create_directories("a.d");
    put(c.input, kSong);
    Result r = run(c.args);
    EXPECT_EQ(r.status, 0) << c.args[0];
    EXPECT_EQ(r.out, kDone);
    EXPECT_EQ(read(c.output), kSongOut) << c.output;
    fs::remove(c.output);
    fs::remove(c.input);
  }
}

TEST_F(E2E, PathLengths) {
  const string k255 = string(251, 'p') + ".mml";
  const string k251 = string(247, 'p') + ".mml";
  const string kTooLong = "\n*** Too long file path! (over 255 chars)\n\n";
  put(k255, kSong);
  put(k251, kSong);
  EXPECT_EQ(run({k255}).out, kTooLong);  // 255 + "_out" is too long
  EXPECT_EQ(run({k255 + "x"}).out, kTooLong);
  EXPECT_EQ(run({k255 + "x", "o.mml"}).out, kTooLong);
  EXPECT_EQ(run({"song.mml", k255 + "x"}).out, kTooLong);
  EXPECT_EQ(listing(), k251 + " " + k255 + " ");

  Result with_output = run({k255, "o.mml"});
  EXPECT_EQ(with_output.status, 0);
  EXPECT_EQ(read("o.mml"), kSongOut);
  Result without = run({k251});
  EXPECT_EQ(without.status, 0);
  EXPECT_EQ(read(string(247, 'p') + "_out.mml"), kSongOut);
}

TEST_F(E2E, RefusesToWriteTheInput) {
  fs::create_directories("sub");
  put("song.mml", kSong);
  std::vector<string> spellings = {"song.mml", "./song.mml", "sub/../song.mml"};
#ifdef _WIN32
  for (const char* more : {".\\song.mml", "sub\\..\\song.mml", "SONG.MML", "Song.mml"})
    spellings.push_back(more);
#endif
  std::error_code no_links;
  fs::create_symlink("song.mml", "link.mml", no_links);
  if (!no_links) spellings.push_back("link.mml");
  fs::create_hard_link("song.mml", "hard.mml", no_links);
  if (!no_links) spellings.push_back("hard.mml");
  for (const string& output : spellings) {
    Result r = run({"song.mml", output});
    EXPECT_EQ(r.status, 1) << output;
    EXPECT_EQ(r.out, "\n*** Can't write to input file: " + output + "\n\n");
    EXPECT_EQ(read("song.mml"), kSong);
  }
}

TEST_F(E2E, RefusesAFormedOutputThatIsTheInput) {
  put("song.mml", kSong);
  std::error_code no_links;
  fs::create_hard_link("song.mml", "song_out.mml", no_links);
  if (no_links) GTEST_SKIP() << "hard links: " << no_links.message();
  Result r = run({"song.mml"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\n*** Can't write to input file: song_out.mml\n\n");
  EXPECT_EQ(read("song.mml"), kSong);
}

TEST_F(E2E, MissingInputLeavesEverythingAlone) {
  put("song_out.mml", "keep");
  Result r = run({"song.mml"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\n*** Can't open input file: song.mml\n\n");
  EXPECT_EQ(read("song_out.mml"), "keep");
  EXPECT_EQ(run({"sub/none.mml", "x"}).out, "\n*** Can't open input file: none.mml\n\n");
  EXPECT_EQ(listing(), "song_out.mml ");
}

TEST_F(E2E, InputDirectoryIsRefused) {
  fs::create_directories("dir.mml");
  Result r = run({"dir.mml"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\n*** Can't open input file: dir.mml\n\n");
  EXPECT_EQ(listing(), "dir.mml/ ");
}

TEST_F(E2E, OutputThatCannotBeOpenedIsLeftAlone) {
  put("song.mml", kSong);
  fs::create_directories("outdir");
  put("outdir/inside", "keep");
  const std::pair<string, string> cases[] = {
      {"outdir", "outdir"},
      {"outdir/", ""},
      {"nowhere/x.mml", "x.mml"},
#ifndef _WIN32
      {"out\\", ""},
#endif
  };
  for (const auto& c : cases) {
    Result r = run({"song.mml", c.first});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "\n*** Can't open output file: " + c.second + "\n\n") << c.first;
  }
  EXPECT_EQ(listing(), "outdir/ outdir/inside song.mml ");
}

TEST_F(E2E, ReadOnlyOutputIsLeftIntact) {
  string why;
#ifndef _WIN32
  if (!permissions_bite(&why)) GTEST_SKIP() << why;
#endif
  put("song.mml", kSong);
  put("ro.mml", "keep");
  fs::permissions("ro.mml",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
#ifdef _WIN32
  if (std::FILE* f = std::fopen("ro.mml", "ab")) {  // Wine run by root, say
    std::fclose(f);
    GTEST_SKIP() << "the read-only attribute does not keep this user from writing";
  }
#endif
  Result r = run({"song.mml", "ro.mml"}, true);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\n*** Can't open output file: ro.mml\n\n");
  fs::permissions("ro.mml", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(read("ro.mml"), "keep");
  EXPECT_EQ(listing(), "ro.mml song.mml ");
}

#ifndef _WIN32
TEST_F(E2E, UnreadableInputAndUnwritableDirectory) {
  string why;
  if (!permissions_bite(&why)) GTEST_SKIP() << why;
  put("song.mml", kSong);
  fs::create_directories("locked");
  fs::permissions("locked",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  put("secret.mml", kSong);
  fs::permissions("secret.mml", fs::perms::none);
  put("secret_out.mml", "keep");

  Result r = run({"song.mml", "locked/x.mml"}, true);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\n*** Can't open output file: x.mml\n\n");

  r = run({"secret.mml"}, true);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\n*** Can't open input file: secret.mml\n\n");
  // An output that cannot be read to tell whether it is a song is kept.
  put("blind.mml", "keep");
  fs::permissions("blind.mml", fs::perms::owner_write);
  r = run({"song.mml", "blind.mml"}, true);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\n*** Can't open output file: blind.mml\n\n");
  fs::permissions("blind.mml", fs::perms::owner_read, fs::perm_options::add);
  EXPECT_EQ(read("blind.mml"), "keep");
  fs::permissions("secret.mml", fs::perms::owner_read);
  EXPECT_EQ(read("secret_out.mml"), "keep");
  EXPECT_EQ(read("secret.mml"), kSong);
  EXPECT_EQ(listing(), "blind.mml locked/ secret.mml secret_out.mml song.mml ");
}
#endif

#ifndef _WIN32  // a console's Ctrl-C cannot be sent to a child process here
// A run stopped by a signal while it converts leaves no partial output.
TEST_F(E2E, InterruptedRunLeavesNoOutput) {
  string block;
  for (int i = 0; i < 200; ++i) block += "(KYA)d+8.(@I2KI)c4(N)f2.(KA)c8 (SHI)d4 ; la la\n";
  {
    std::ofstream big("big.mml", std::ios::binary);
    big << "#SYLVO\n";
    for (int i = 0; i < 10000; ++i) big << block;  // about 100 MB
  }
  for (int sig : {SIGTERM, SIGINT}) {
    pid_t pid = fork();
    if (pid == 0) {
      execl(SYLVO_EXE, "sylvo", "big.mml", "out.mml", static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_GT(pid, 0);
    auto started = [] {  // the output has bytes: the handler is in place
      std::error_code none;
      return fs::exists("out.mml", none) && fs::file_size("out.mml", none) > 0;
    };
    for (int wait = 0; wait < 5000 && !started(); ++wait) usleep(1000);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, WNOHANG), 0) << "finished before it could be stopped";
    kill(pid, sig);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_FALSE(fs::exists("out.mml"));
  }
}

// A failure deletes the output only if its name is a regular file: never a
// link (such as /dev/stdout) through which the output was written.
TEST_F(E2E, FailureKeepsAnOutputThatIsALink) {
  put("song.mml", "no header\n");
  put("target.mml", "old");
  std::error_code no_links;
  fs::create_symlink("target.mml", "link.mml", no_links);
  if (no_links) GTEST_SKIP() << "symbolic links: " << no_links.message();
  Result r = run({"song.mml", "link.mml"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\n*** NOT SyLvO file: song.mml\n\n");
  EXPECT_TRUE(fs::is_symlink("link.mml"));
  EXPECT_EQ(listing(), "link.mml song.mml target.mml ");
}

// A full device is reported and never deleted. The device is a private one
// in the test's directory, so a broken clean-up cannot remove the system's.
TEST_F(E2E, FullDeviceIsReportedAndNotDeleted) {
  if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
  if (std::system("mknod full c 1 7") != 0) GTEST_SKIP() << "mknod failed";
  std::FILE* probe = std::fopen("full", "wb");
  if (!probe) GTEST_SKIP() << "device nodes do not open here (nodev)";
  std::fclose(probe);
  put("song.mml", kSong);
  Result r = run({"song.mml", "full"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.out == "\n*** Can't write string to file: full\n\n" ||
              r.out == "\n*** Can't write character to file: full\n\n")
      << r.out;
  EXPECT_TRUE(fs::is_character_file("full"));
}
#endif

TEST_F(E2E, FailuresDeleteThePartialOutput) {
  struct Case {
    string input;
    string message;
    bool closed_pipe;  // standard output is a pipe whose reader has gone: no message is read
  };
  const Case cases[] = {
      {"t120\nc8 d8\n", "\n*** NOT SyLvO file: song.mml\n\n", false},
      {"#SYLVO\n" + string(2048, 'a') + "\n", "\n*** Can't read file: song.mml\n\n", false},
      {"x\n" + string(2049, 'a') + "\n#SYLVO\n", "\n*** Can't read file: song.mml\n\n", false},
      {"#SYLVO\n(KA)c8\n\n(KA)x8\n", "\n*** Syntax error! line:4\n\n> (KA)x\n\n", false},
      {"#SYLVO\n(KA)c8\n(KX)c8\n", "\n*** Illegal token! line:3\n\n> (KX)c8\n\n\n", false},
      {"#SYLVO\n(@X1KA)c8\n", "\n*** Internal Error!\n\n> (@\n\n", false},
      {"#SYLVO\n(KA", "\n*** Syntax error! line:2\n\n> (KA\n\n", false},
#ifndef _WIN32
      {"#SYLVO\n(KA)c8\n(KX)c8\n", "", true},
#endif
  };
  for (const Case& c : cases) {
    put("song.mml", c.input);
    put("song_out.mml", "old");  // an earlier output is replaced, then removed
#ifndef _WIN32
    Result r = c.closed_pipe ? run_into_closed_pipe({"song.mml"}) : run({"song.mml"});
#else
    Result r = run({"song.mml"});
#endif
    EXPECT_EQ(r.status, 1) << c.input;
    EXPECT_EQ(r.out, c.message);
    EXPECT_EQ(listing(), "song.mml ") << c.input;
  }
}

#ifdef SYLVO_FAULTS
// The messages the README's table lists, as one pattern for a whole
// standard output: one message, and the echo line after a syntax message.
std::regex readme_messages() {
  std::ifstream readme(SYLVO_README);
  string line, alternatives;
  const std::regex quoted("`(\\*\\*\\* [^`]*)`");
  while (std::getline(readme, line)) {
    if (line.rfind("| `*** ", 0) != 0) continue;
    for (std::sregex_iterator m(line.begin(), line.end(), quoted), end; m != end; ++m) {
      string text =
          std::regex_replace((*m)[1].str(), std::regex("[.*+?^${}()|\\[\\]\\\\]"), "\\$&");
      text = std::regex_replace(text, std::regex("line:N"), "line:[0-9]+");
      text = std::regex_replace(text, std::regex("NAME"), "[^\\n]*");
      alternatives += (alternatives.empty() ? "" : "|") + text;
    }
  }
  return std::regex("\\n(" + alternatives + ")\\n\\n(> [\\s\\S]*\\n\\n)?");
}

// Every file in the test directory: its bytes, or where a link leads.
std::map<string, string> snapshot(const fs::path& dir) {
  std::map<string, string> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    files[e.path().filename().string()] =
        e.is_symlink() ? "-> " + fs::read_symlink(e.path()).string() : all.str();
  }
  return files;
}

// Each file call the program makes (opening, reading, writing, positioning,
// closing, asking after and deleting its two files, and writing its
// messages) fails in turn, with EIO, and a write also with ENOSPC half-way.
// Whatever fails, the run ends with 0 and the output of a run without
// faults, or with 1, one of the README's messages, the input as it was and
// no file left that the run made or changed.
TEST_F(E2E, EveryFileCallCanFail) {
  const std::regex message = readme_messages();
  string big = "t120\n#SYLVO\n";
  while (big.size() < 300000)
    big += "l8 (KYA)d+8. (@I2KI)c4 (N)f2. ; la la\n(KA)c8 (SHI)d4 /* x */ c d e f g\n";
  struct Scenario {
    const char* name;
    string input;
    std::vector<string> args;
    string output;  // the output's name
    string old;     // what an existing output holds, "hard"/"symlink" for a link to the input
  };
  const Scenario scenarios[] = {
      {"small", kSong, {"song.mml"}, "song_out.mml", ""},
      {"existing output", kSong, {"song.mml", "x.mml"}, "x.mml", "keep"},
      {"previous output", kSong, {"song.mml", "x.mml"}, "x.mml", "x\n;#SYLVO\n#SYLVO\n"},
      {"song as output", kSong, {"song.mml", "x.mml"}, "x.mml", "#SYLVO\n(KA)c8\n"},
      {"large", big, {"song.mml", "x.mml"}, "x.mml", ""},
      {"no header", "t120\nc8\n", {"song.mml"}, "song_out.mml", "keep"},
      {"late syntax error", big + "(KA)x8\n", {"song.mml"}, "song_out.mml", ""},
      {"hard link", kSong, {"song.mml", "link.mml"}, "link.mml", "hard"},
      {"symbolic link", kSong, {"song.mml", "link.mml"}, "link.mml", "symlink"},
  };
  const string log = dir_.string() + ".log";
  // A sanitized build loads its runtime after the module; it may.
  const string preload = "ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=" + quote(SYLVO_FAULTS) +
                         " SYLVO_FAULT_LOG=" + quote(log) + " ";
  for (const Scenario& sc : scenarios) {
    auto prepare = [&] {
      for (const auto& e : fs::directory_iterator(dir_)) fs::remove(e.path());
      put("song.mml", sc.input);
      if (sc.old == "hard") {
        fs::create_hard_link("song.mml", sc.output);
      } else if (sc.old == "symlink") {
        fs::create_symlink("song.mml", sc.output);
      } else if (!sc.old.empty()) {
        put(sc.output, sc.old);
      }
      fs::remove(log);
    };
    prepare();
    env_ = preload;
    Result base = run(sc.args);
    const string base_output = base.status == 0 ? read(sc.output) : "";
    std::vector<string> calls;
    std::ifstream in(log);
    for (string n, call; in >> n >> call;) calls.push_back(call);
    ASSERT_FALSE(calls.empty()) << "the interposer saw no call";

    for (size_t at = 1; at <= calls.size(); ++at) {
      const string& call = calls[at - 1];
      for (bool half : {false, true}) {
        if (half && call.rfind("fwrite", 0) != 0) continue;
        SCOPED_TRACE(string(sc.name) + ": call " + std::to_string(at) + " " + call +
                     (half ? " ENOSPC" : " EIO"));
        prepare();
        const std::map<string, string> before = snapshot(dir_);
        env_ = "timeout 20 env SYLVO_FAULT_AT=" + std::to_string(at) +
               (half ? " SYLVO_FAULT_SHORT=1 " : " ") + preload;
        Result r = run(sc.args);
        bool message_lost = call.find("stdout") != string::npos;
        ASSERT_TRUE(r.status == 0 || r.status == 1) << "status " << r.status;
        EXPECT_EQ(read("song.mml"), sc.input);
        if (r.status == 0) {
          EXPECT_EQ(base.status, 0);
          EXPECT_EQ(read(sc.output), base_output);
          if (!message_lost) {
            EXPECT_EQ(r.out, kDone);
          }
          continue;
        }
        if (!message_lost) {
          EXPECT_TRUE(std::regex_match(r.out, message)) << r.out;
        }
        if (call == "unlink") continue;  // a delete that fails leaves what it could not delete
        std::map<string, string> after = snapshot(dir_);
        for (const auto& file : after) {
          auto was = before.find(file.first);
          EXPECT_TRUE(was != before.end() && was->second == file.second)
              << file.first << " made or changed";
        }
        for (const auto& file : before) {
          bool own_output = file.first == sc.output && sc.old != "hard" && sc.old != "symlink";
          EXPECT_TRUE(after.count(file.first) || own_output) << file.first << " deleted";
        }
      }
    }
  }
  env_.clear();
  fs::remove(log);
}

// sylvo-check, a read that fails: the file is not checked, and the status
// is 2.
TEST_F(E2E, CheckSaysAFileCouldNotBeRead) {
  put("song.mml", kSong);
  const string log = dir_.string() + ".log";
  for (const char* at : {"1", "3"}) {  // its fopen, then its first fread
    env_ = string("SYLVO_FAULT_AT=") + at + " LD_PRELOAD=" + quote(SYLVO_FAULTS) +
           " SYLVO_FAULT_LOG=" + quote(log) + " ASAN_OPTIONS=verify_asan_link_order=0 ";
    Result r = check({"song.mml"});
    EXPECT_EQ(r.status, 2) << at;
    EXPECT_EQ(r.out, "sylvo-check: no problems in 0 files\n") << at;
  }
  env_.clear();
  fs::remove(log);
}
#endif

}  // namespace
