// Scenario parsing, rule choice, playing and the built-in scenarios, tested in-process.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "testing/phone/presets.h"
#include "testing/phone/scenario.h"

namespace phone {
namespace {

class FakeEffects : public Effects {
 public:
  void Write(Stream stream, std::string_view bytes) override {
    events.push_back((stream == Stream::Out ? "out:" : "err:") + std::string(bytes));
  }
  std::optional<std::uint64_t> FileSize(const std::string& path) override {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  void Hang() override { events.push_back("hang"); }
  void StartServer(double seconds) override {
    events.push_back("server " + std::to_string(static_cast<int>(seconds)));
  }

  std::map<std::string, std::uint64_t> files;
  std::vector<std::string> events;
};

Scenario MustParse(std::string_view text, const IncludeResolver& resolve = ResolvePreset) {
  ParseResult parsed = ParseScenario(text, "test", resolve);
  EXPECT_EQ(parsed.error, "") << text;
  return parsed.scenario;
}

// Plays the rule that `args` select and returns what it did, one event per write.
struct Played {
  int rule = -1;
  int exit_code = -1;
  std::vector<std::string> events;
};
Played Play(const Scenario& scenario, std::string_view tool, const std::vector<std::string>& args,
            std::map<std::string, std::uint64_t> files = {}, const State& state = {}) {
  Played played;
  Match match = FindRule(scenario, tool, args, state);
  played.rule = match.rule;
  if (match.rule < 0) return played;
  FakeEffects effects;
  effects.files = std::move(files);
  played.exit_code = Perform(scenario.rules[match.rule], match.captures, scenario.crlf, effects);
  played.events = std::move(effects.events);
  return played;
}

TEST(ScenarioParse, ReportsTheLineAndTheMistake) {
  const IncludeResolver resolve = [](std::string_view name) -> std::optional<std::string> {
    if (name == "loop") return std::string("include loop\n");
    if (name == "broken") return std::string("on adb devices\non phone devices\n");
    return std::nullopt;
  };
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"  out \"x\"", "test:1: an action outside a rule"},
      {"on phone devices", "test:1: unknown tool 'phone'"},
      {"on\n", "test:1: `on` needs a tool"},
      {"on adb ** x", "test:1: ** must be the last word"},
      {"on adb devices times=0", "test:1: times= needs a whole number"},
      {"on adb devices\n  out \"open", "test:2: unterminated quoted text"},
      {"on adb devices\n  out \"\\q\"", "test:2: unknown escape \\q"},
      {"on adb devices\n  out \"\\x4\"", "test:2: \\x needs two hex digits"},
      {"on adb devices\n  out \"{1}\"", "test:2: {1} but the rule catches 0 argument(s)"},
      {"on fastboot boot *\n  out \"{kb}\"", "test:2: {kb} before any `load`"},
      {"on adb devices\n  okay fast", "test:2: 'fast' is not a number of seconds"},
      {"on adb devices\n  out \"a\" \"b\"", "test:2: usage: out TEXT"},
      {"on adb devices\n  step \"a\" okay", "test:2: usage: step LABEL"},
      {"on adb devices\n  exit -1", "test:2: usage: exit CODE"},
      {"on adb devices\n  dance", "test:2: unknown action 'dance'"},
      {"set crlf 2", "test:1: the only setting is"},
      {"frobnicate", "test:1: unknown keyword 'frobnicate'"},
      {"on adb devices\ninclude nothing", "test:2: no built-in scenario named 'nothing'"},
      {"include loop", "includes nested too deeply"},
      {"\n\ninclude broken", "broken:2: unknown tool 'phone'"},
      // An action after `include` or `set` has no rule to belong to.
      {"on adb devices\nset crlf 1\n  out \"x\"", "test:3: an action outside a rule"},
  };
  for (const Case& c : cases) {
    ParseResult parsed = ParseScenario(c.text, "test", resolve);
    EXPECT_NE(parsed.error.find(c.error), std::string::npos)
        << "text: " << c.text << "\nerror: " << parsed.error;
  }
}

TEST(ScenarioParse, ReadsCommentsQuotesAndEscapes) {
  Scenario s = MustParse(
      "# a comment line\n"
      "\n"
      "on adb \"*\" \"times=1\"   # a literal star and a literal times=1\n"
      "  out \"tab\\there \\\"q\\\" \\\\ \\x41\\r\\n\"  # trailing comment\n"
      "  out \"中文 # not a comment\"\n");
  ASSERT_EQ(s.rules.size(), 1u);
  EXPECT_EQ(s.rules[0].times, 0);
  Played p = Play(s, "adb", {"*", "times=1"});
  EXPECT_EQ(p.events, (std::vector<std::string>{"out:tab\there \"q\" \\ A\r\n",
                                                "out:中文 # not a comment"}));
  EXPECT_EQ(Play(s, "adb", {"devices", "times=1"}).rule, -1);
}

TEST(ScenarioMatch, FirstMatchingRuleWinsAndWildcardsCatchArguments) {
  Scenario s = MustParse(
      "on adb reboot\n"
      "  out \"plain\"\n"
      "on adb reboot *\n"
      "  out \"into {1}\"\n"
      "on fastboot flash * * **\n"
      "  out \"[{1}] [{2}] [{3}]\"\n"
      "on * **\n"
      "  out \"any: {1}\"\n");
  struct Case {
    const char* tool;
    std::vector<std::string> args;
    const char* out;
  } cases[] = {
      {"adb", {"reboot"}, "out:plain"},
      {"adb", {"reboot", "recovery"}, "out:into recovery"},
      {"adb", {"reboot", "recovery", "now"}, "out:any: reboot recovery now"},
      {"fastboot", {"flash", "recovery", "Z:\\x", "y\\恢复.img"}, "out:[recovery] [Z:\\x] [y\\恢复.img]"},
      {"fastboot", {"flash", "recovery", "a.img"}, "out:[recovery] [a.img] []"},
      {"fastboot", {"flash", "recovery"}, "out:any: flash recovery"},
      {"fastboot", {}, "out:any: "},
  };
  for (const Case& c : cases) {
    Played p = Play(s, c.tool, c.args);
    EXPECT_EQ(p.events, std::vector<std::string>{c.out}) << c.tool << " " << c.args.size();
  }
}

TEST(ScenarioMatch, ToolMustMatchAndUnmatchedCallsFindNoRule) {
  Scenario s = MustParse("on adb devices\n  out \"adb\"\n");
  EXPECT_EQ(Play(s, "adb", {"devices"}).rule, 0);
  EXPECT_EQ(Play(s, "fastboot", {"devices"}).rule, -1);
  EXPECT_EQ(Play(s, "adb", {"devices", "-l"}).rule, -1);
  EXPECT_EQ(Play(s, "adb", {}).rule, -1);
}

TEST(ScenarioMatch, TimesLimitsARuleByTheCountInTheState) {
  Scenario s = MustParse(
      "on fastboot devices times=2\n"
      "  out \"listed\"\n"
      "on fastboot devices\n");
  State state;
  EXPECT_EQ(FindRule(s, "fastboot", {"devices"}, state).rule, 0);
  state.uses[0] = 1;
  EXPECT_EQ(FindRule(s, "fastboot", {"devices"}, state).rule, 0);
  state.uses[0] = 2;
  EXPECT_EQ(FindRule(s, "fastboot", {"devices"}, state).rule, 1);
  // Rules without a limit answer however often they were used.
  state.uses[1] = 1000;
  EXPECT_EQ(FindRule(s, "fastboot", {"devices"}, state).rule, 1);
}

TEST(ScenarioState, RoundTripsAndReadsDamageAsZero) {
  State state;
  state.calls = 5;
  state.uses = {{0, 1}, {3, 4}};
  std::string text = FormatState(state);
  EXPECT_EQ(text, "calls 5\nrule 1 used 1\nrule 4 used 4\n");
  State back = ParseState(text);
  EXPECT_EQ(back.calls, 5);
  EXPECT_EQ(back.uses, state.uses);

  State damaged = ParseState("garbage\nrule x used 2\nrule 0 used 3\nrule 2 used 7");
  EXPECT_EQ(damaged.calls, 0);
  EXPECT_EQ(damaged.uses, (std::map<int, int>{{1, 7}}));
  EXPECT_EQ(ParseState("").uses.size(), 0u);
}

TEST(ScenarioPerform, FormatsFastbootStepsLikeFastboot) {
  Scenario s = MustParse(
      "on fastboot flash recovery *\n"
      "  load {1}\n"
      "  step \"Sending 'recovery' ({kb} KB)\" okay 1.577\n"
      "  step \"Writing 'recovery'\" failed \"remote: 'no'\"\n"
      "  step \"A label that is longer than the fifty columns of padding\" okay 12.42\n"
      "  step \"Booting\"\n"
      "  okay 0\n"
      "  failed \"remote: '{1}'\"\n"
      "  finished 2.009\n");
  Played p = Play(s, "fastboot", {"flash", "recovery", "r.img"}, {{"r.img", 5000}});
  EXPECT_EQ(p.exit_code, 0);
  EXPECT_EQ(p.events, (std::vector<std::string>{
                          "err:Sending 'recovery' (4 KB)                          OKAY [  1.577s]\n",
                          "err:Writing 'recovery'                                 FAILED (remote: 'no')\n",
                          "err:A label that is longer than the fifty columns of padding OKAY [ 12.420s]\n",
                          "err:Booting                                            ",
                          "err:OKAY [  0.000s]\n",
                          "err:FAILED (remote: 'r.img')\n",
                          "err:Finished. Total time: 2.009s\n",
                      }));
}

TEST(ScenarioPerform, LoadGivesTheSizeInWholeKilobytesOrFailsLikeFastboot) {
  Scenario s = MustParse(
      "on fastboot boot *\n"
      "  load {1}\n"
      "  out \"{kb}\"\n"
      "  out \"not reached when the file is missing\"\n");
  struct Case {
    std::uint64_t size;
    const char* kb;
  } sizes[] = {{0, "0"}, {1023, "0"}, {1024, "1"}, {2047, "1"}, {65536ull * 1024, "65536"},
               {5ull << 32, "20971520"}};
  for (const Case& c : sizes) {
    Played p = Play(s, "fastboot", {"boot", "b.img"}, {{"b.img", c.size}});
    ASSERT_EQ(p.events.size(), 2u);
    EXPECT_EQ(p.events[0], std::string("out:") + c.kb) << c.size;
  }
  Played missing = Play(s, "fastboot", {"boot", "Z:\\tmp\\x"});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.events,
            std::vector<std::string>{
                "err:fastboot: error: cannot load 'Z:\\tmp\\x': No such file or directory\n"});
}

TEST(ScenarioPerform, ExitStopsHangAndServerHappenInOrder) {
  Scenario s = MustParse(
      "on adb devices\n"
      "  err \"starting\\n\"\n"
      "  server 60\n"
      "  out \"list\\n\"\n"
      "  hang\n"
      "  exit 3\n"
      "  out \"never\"\n");
  Played p = Play(s, "adb", {"devices"});
  EXPECT_EQ(p.exit_code, 3);
  EXPECT_EQ(p.events,
            (std::vector<std::string>{"err:starting\n", "server 60", "out:list\n", "hang"}));
}

TEST(ScenarioPerform, CrlfTurnsEveryBareLineFeedIntoCrLf) {
  Scenario s = MustParse(
      "set crlf 1\n"
      "on fastboot devices\n"
      "  out \"\\na\\nb\\r\\n\\n\"\n"
      "  okay 1\n");
  Played p = Play(s, "fastboot", {"devices"});
  EXPECT_EQ(p.events, (std::vector<std::string>{"out:\r\na\r\nb\r\n\r\n", "err:OKAY [  1.000s]\r\n"}));
}

TEST(ScenarioPerform, OwnCrlfSettingWinsOverAnIncludedOne) {
  const IncludeResolver resolve = [](std::string_view name) -> std::optional<std::string> {
    if (name == "crlf") return std::string("set crlf 1\non adb devices\n  out \"x\\n\"\n");
    if (name == "wrapper") return std::string("include crlf\n");
    return std::nullopt;
  };
  EXPECT_TRUE(MustParse("include crlf\n", resolve).crlf);
  EXPECT_TRUE(MustParse("include wrapper\n", resolve).crlf);
  EXPECT_FALSE(MustParse("include crlf\nset crlf 0\n", resolve).crlf);
  EXPECT_FALSE(MustParse("set crlf 0\ninclude wrapper\n", resolve).crlf);
}

TEST(ScenarioInclude, IncludedRulesComeAtTheIncludeLine) {
  const IncludeResolver resolve = [](std::string_view name) -> std::optional<std::string> {
    if (name == "base") return std::string("on adb devices\n  out \"base\"\non adb **\n  out \"base any\"\n");
    return std::nullopt;
  };
  Scenario s = MustParse(
      "on adb reboot\n"
      "  out \"own before\"\n"
      "include base\n"
      "on adb devices\n"
      "  out \"own after\"\n",
      resolve);
  EXPECT_EQ(Play(s, "adb", {"reboot"}).events, std::vector<std::string>{"out:own before"});
  EXPECT_EQ(Play(s, "adb", {"devices"}).events, std::vector<std::string>{"out:base"});
  ASSERT_EQ(s.rules.size(), 4u);
  EXPECT_EQ(s.rules[1].where, "base:1");
}

// The commands the tool sends, with the words a phone is judged by.
const std::vector<std::pair<std::string, std::vector<std::string>>> kToolCommands = {
    {"adb", {"devices"}},
    {"adb", {"reboot"}},
    {"adb", {"reboot", "recovery"}},
    {"fastboot", {"devices"}},
    {"fastboot", {"oem", "get-bootinfo"}},
    {"fastboot", {"oem", "device-info"}},
    {"fastboot", {"flash", "recovery", "C:\\r.img"}},
    {"fastboot", {"flash", "recovery", "C:\\x", "y\\r.img"}},
    {"fastboot", {"boot", "C:\\r.img"}},
    {"fastboot", {"reboot"}},
};

TEST(Presets, EachParsesIsDescribedAndAnswersEveryCommandOfTheTool) {
  ASSERT_NE(FindPreset(kDefaultPreset), nullptr);
  for (const Preset& preset : Presets()) {
    SCOPED_TRACE(std::string(preset.name));
    ParseResult parsed = ParseScenario(preset.text, preset.name, ResolvePreset);
    ASSERT_EQ(parsed.error, "");
    EXPECT_GT(Description(preset).size(), 10u);
    EXPECT_EQ(Description(preset).find('\n'), std::string_view::npos);
    for (const auto& [tool, args] : kToolCommands) {
      EXPECT_GE(FindRule(parsed.scenario, tool, args, {}).rule, 0) << tool << " " << args[0];
    }
  }
}

TEST(Presets, NamesAreUniqueAndEachIsListedInTheReadme) {
  std::ifstream in(VANTREL_PHONE_README);
  ASSERT_TRUE(in) << VANTREL_PHONE_README;
  std::stringstream readme;
  readme << in.rdbuf();
  std::map<std::string_view, int> seen;
  for (const Preset& preset : Presets()) {
    EXPECT_EQ(++seen[preset.name], 1) << preset.name;
    std::string quoted = "`";
    quoted.append(preset.name).append("`");
    EXPECT_NE(readme.str().find(quoted), std::string::npos)
        << preset.name << " is not described in the README";
  }
}

// What one call prints on stdout and on stderr, and whether it blocks (a started server prints
// nothing).
struct Printed {
  std::string out, err;
  bool hangs = false;
};
Printed Print(const Scenario& s, std::string_view tool, const std::vector<std::string>& args,
              const State& state) {
  Printed printed;
  for (const std::string& e : Play(s, tool, args, {}, state).events) {
    if (e == "hang") printed.hangs = true;
    if (e.rfind("out:", 0) == 0) printed.out += e.substr(4);
    if (e.rfind("err:", 0) == 0) printed.err += e.substr(4);
  }
  return printed;
}

// Splits at "\n" and drops one "\r" before it; the text after the last "\n" is the last line.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  lines.push_back(text.substr(start));
  return lines;
}

// A phone is attached over adb when a line is serial, tab, and the state "device" or "recovery".
bool AdbShowsPhone(const std::string& text) {
  for (const std::string& line : Lines(text)) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0) continue;
    const std::string state = line.substr(tab + 1);
    if (state == "device" || state == "recovery") return true;
  }
  return false;
}

// A state in which every rule with `times=` is used up: the answers of later calls.
State UsedUp(const Scenario& s) {
  State state;
  for (std::size_t i = 0; i < s.rules.size(); ++i) state.uses[static_cast<int>(i)] = 1000;
  return state;
}

// Every listing is adb's: the heading, "serial\tstate" lines, an empty line, nothing after.
TEST(Presets, AdbDevicesPrintsTheHeadingPhoneLinesAndAnEmptyLine) {
  for (const Preset& preset : Presets()) {
    SCOPED_TRACE(std::string(preset.name));
    Scenario s = MustParse(std::string("include ") + std::string(preset.name) + "\n");
    for (const State& state : {State{}, UsedUp(s)}) {
      Printed printed = Print(s, "adb", {"devices"}, state);
      if (printed.hangs) continue;  // `hang`: never answers
      const std::string line_end = s.crlf ? "\r\n" : "\n";
      EXPECT_EQ(printed.out.rfind("List of devices attached" + line_end, 0), 0u) << printed.out;
      ASSERT_GE(printed.out.size(), 2 * line_end.size());
      EXPECT_EQ(printed.out.substr(printed.out.size() - 2 * line_end.size()), line_end + line_end)
          << printed.out;
      std::vector<std::string> lines = Lines(printed.out);
      ASSERT_GE(lines.size(), 3u);
      for (std::size_t i = 1; i + 2 < lines.size(); ++i) {
        const std::size_t tab = lines[i].find('\t');
        EXPECT_TRUE(tab != std::string::npos && tab > 0 && tab + 1 < lines[i].size()) << lines[i];
      }
      // Only adb's daemon start lines go to stderr.
      for (const std::string& line : Lines(printed.err)) {
        EXPECT_TRUE(line.empty() || line.rfind("* daemon ", 0) == 0) << line;
      }
    }
  }
}

// Which presets show a phone to the tool, on the first call and once `times=` rules are used up.
// The tool reads stdout and stderr together.
TEST(Presets, ListingsShowAPhoneOnlyWhereOneIsMeant) {
  struct Case {
    const char* preset;
    bool adb_first, adb_later;
    bool fastboot_first, fastboot_later;
  } cases[] = {
      {"none", false, false, false, false},
      {"fastboot-xiaomi-unlocked", false, false, true, true},
      {"fastboot-xiaomi-locked", false, false, true, true},
      {"fastboot-xiaomi-abl-unlocked", false, false, true, true},
      {"fastboot-xiaomi-abl-locked", false, false, true, true},
      {"fastboot-huawei-unlocked", false, false, true, true},
      {"fastboot-huawei-locked", false, false, true, true},
      {"fastboot-old-format", false, false, true, true},
      {"flash-refused", false, false, true, true},
      {"flash-sparse", false, false, true, true},
      {"boot-refused", false, false, true, true},
      {"fastboot-lost-after-first-listing", false, false, true, false},
      {"fastboot-hangs-after-listing", false, false, true, true},
      {"adb-device", true, true, false, false},
      {"adb-recovery", true, true, false, false},  // daemon lines on the first call
      {"adb-unauthorized", false, false, false, false},
      {"adb-offline", false, false, false, false},
      {"adb-nopermissions", false, false, false, false},  // "…/tools/device.html" is no state
      {"adb-heading-only", false, false, false, false},   // "List of devices attached"
      {"adb-lost-after-first-listing", true, false, false, false},
      {"adb-server-holds-pipe", true, true, false, false},
      {"chinese-crlf", false, false, true, true},
  };
  std::map<std::string_view, int> listed;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.preset);
    ++listed[c.preset];
    Scenario s = MustParse(std::string("include ") + c.preset + "\n");
    const State later = UsedUp(s);
    auto both = [](const Printed& p) { return p.out + p.err; };
    EXPECT_EQ(AdbShowsPhone(both(Print(s, "adb", {"devices"}, {}))), c.adb_first);
    EXPECT_EQ(AdbShowsPhone(both(Print(s, "adb", {"devices"}, later))), c.adb_later);
    EXPECT_EQ(!both(Print(s, "fastboot", {"devices"}, {})).empty(), c.fastboot_first);
    EXPECT_EQ(!both(Print(s, "fastboot", {"devices"}, later)).empty(), c.fastboot_later);
  }
  // Every preset that answers is in the table (`hang` never does).
  for (const Preset& preset : Presets()) {
    if (preset.name != "hang") {
      EXPECT_EQ(listed[preset.name], 1) << preset.name;
    }
  }
}

}  // namespace
}  // namespace phone
