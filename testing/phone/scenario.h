// Scenario files of the simulated phone: parsing, choosing the rule for a call, and playing it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace phone {

enum class Stream { Out, Err };

// Text with holes: {1}..{9} are the arguments caught by the rule's wildcards, {kb} the size in
// KB of the file named by the rule's last `load`.
struct Template {
  struct Piece {
    enum Kind { Literal, Capture, Kb } kind = Literal;
    std::string text;  // Literal
    int capture = 0;   // Capture, 1-based
  };
  std::vector<Piece> pieces;
};

struct Action {
  enum Kind {
    Out,       // out TEXT: TEXT on stdout
    Err,       // err TEXT: TEXT on stderr
    Step,      // step LABEL [okay SECONDS | failed REASON]: "%-50s " then the optional result
    Okay,      // okay SECONDS: "OKAY [%7.3fs]\n"
    Failed,    // failed REASON: "FAILED (REASON)\n"
    Finished,  // finished SECONDS: "Finished. Total time: %.3fs\n"
    Load,      // load FILE: fastboot's "cannot load" error and exit 1 unless FILE is a file
    Exit,      // exit CODE: stop here with CODE
    Hang,      // hang: block until killed
    Server,    // server SECONDS: leave a background copy holding stdout and stderr
  } kind = Out;
  Template text;               // Out, Err, Step label, Failed reason, Load file
  std::optional<Kind> result;  // Step: Okay or Failed on the same line
  Template reason;             // Step with `failed`
  double seconds = 0;          // Okay, Finished, Step with `okay`, Server
  int code = 0;                // Exit
};

struct Rule {
  struct Word {
    enum Kind { Literal, One, Rest } kind = Literal;  // word, `*` (one argument), `**` (the rest)
    std::string text;
  };
  std::string tool;  // "adb", "fastboot" or "*"
  std::vector<Word> words;
  int times = 0;  // answers only this many calls (counted through the state file); 0: no limit
  std::vector<Action> actions;
  std::string where;  // "source:line", for messages
};

struct Scenario {
  std::vector<Rule> rules;  // first match wins
  bool crlf = false;        // every "\n" written as "\r\n"
};

// Looks up the text of a built-in scenario for `include`; nullopt when there is none.
using IncludeResolver = std::function<std::optional<std::string>(std::string_view name)>;

struct ParseResult {
  Scenario scenario;
  std::string error;  // "source:line: message"; empty on success
};

ParseResult ParseScenario(std::string_view text, std::string_view source,
                          const IncludeResolver& resolve);

// Use counts per rule (index into Scenario::rules), kept between calls in the state file.
struct State {
  int calls = 0;
  std::map<int, int> uses;
};
State ParseState(std::string_view text);  // unreadable parts read as zero
std::string FormatState(const State& state);

struct Match {
  int rule = -1;  // index into Scenario::rules; -1 when no rule matches
  std::vector<std::string> captures;
};
Match FindRule(const Scenario& scenario, std::string_view tool,
               const std::vector<std::string>& args, const State& state);

// What playing a rule needs from the system; the simulator's main provides the real one.
class Effects {
 public:
  virtual ~Effects() = default;
  virtual void Write(Stream stream, std::string_view bytes) = 0;
  virtual std::optional<std::uint64_t> FileSize(const std::string& path) = 0;
  virtual void Hang() = 0;
  virtual void StartServer(double seconds) = 0;
};

// Plays the rule's actions in order and returns the exit code.
int Perform(const Rule& rule, const std::vector<std::string>& captures, bool crlf,
            Effects& effects);

}  // namespace phone
