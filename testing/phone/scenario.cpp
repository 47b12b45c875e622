// Scenario files of the simulated phone: parsing, choosing the rule for a call, and playing it.
#include "testing/phone/scenario.h"

#include <charconv>
#include <cstdio>
#include <system_error>

namespace phone {
namespace {

constexpr int kMaxIncludeDepth = 8;

struct Token {
  std::string text;
  bool quoted = false;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Splits one line into words. "..." keeps spaces and knows \n \t \r \\ \" \xHH; a # that starts
// a word outside quotes starts a comment.
bool Tokenize(std::string_view line, std::vector<Token>& tokens, std::string& error) {
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '#') break;
    Token token;
    if (c != '"') {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
        token.text += line[i++];
      }
      tokens.push_back(std::move(token));
      continue;
    }
    token.quoted = true;
    ++i;
    bool closed = false;
    while (i < line.size()) {
      c = line[i++];
      if (c == '"') {
        closed = true;
        break;
      }
      if (c != '\\') {
        token.text += c;
        continue;
      }
      if (i >= line.size()) break;
      char e = line[i++];
      switch (e) {
        case 'n': token.text += '\n'; break;
        case 't': token.text += '\t'; break;
        case 'r': token.text += '\r'; break;
        case '\\': token.text += '\\'; break;
        case '"': token.text += '"'; break;
        case 'x': {
          int hi = i < line.size() ? HexDigit(line[i]) : -1;
          int lo = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
          if (hi < 0 || lo < 0) {
            error = "\\x needs two hex digits";
            return false;
          }
          token.text += static_cast<char>(hi * 16 + lo);
          i += 2;
          break;
        }
        default:
          error = std::string("unknown escape \\") + e;
          return false;
      }
    }
    if (!closed) {
      error = "unterminated quoted text";
      return false;
    }
    tokens.push_back(std::move(token));
  }
  return true;
}

bool ParseTemplate(const std::string& text, int captures, bool kb_known, Template& out,
                   std::string& error) {
  std::string literal;
  auto flush = [&] {
    if (!literal.empty()) out.pieces.push_back({Template::Piece::Literal, std::move(literal), 0});
    literal.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{' && i + 2 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9' &&
        text[i + 2] == '}') {
      int n = text[i + 1] - '0';
      if (n > captures) {
        error = "{" + std::to_string(n) + "} but the rule catches " + std::to_string(captures) +
                " argument(s)";
        return false;
      }
      flush();
      out.pieces.push_back({Template::Piece::Capture, {}, n});
      i += 2;
    } else if (text.compare(i, 4, "{kb}") == 0) {
      if (!kb_known) {
        error = "{kb} before any `load` in this rule";
        return false;
      }
      flush();
      out.pieces.push_back({Template::Piece::Kb, {}, 0});
      i += 3;
    } else {
      literal += text[i];
    }
  }
  flush();
  return true;
}

bool ParseNumber(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && value >= 0;
}

bool ParseInt(const std::string& text, int& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

struct Parsed {
  Scenario scenario;
  std::optional<bool> crlf;
};

class Parser {
 public:
  explicit Parser(const IncludeResolver& resolve) : resolve_(resolve) {}

  bool Parse(std::string_view text, std::string_view source, int depth, Parsed& out,
             std::string& error) {
    int line_no = 0;
    Rule* rule = nullptr;
    int captures = 0;
    bool loaded = false;
    std::optional<bool> included_crlf;
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      start = end + 1;
      ++line_no;
      std::string where = std::string(source) + ":" + std::to_string(line_no);
      auto fail = [&](const std::string& message) {
        error = where + ": " + message;
        return false;
      };
      std::vector<Token> tokens;
      std::string message;
      if (!Tokenize(line, tokens, message)) return fail(message);
      if (tokens.empty()) continue;
      bool indented = line[0] == ' ' || line[0] == '\t';
      const Token& head = tokens[0];
      if (indented) {
        if (!rule) return fail("an action outside a rule (start a rule with `on`)");
        Action action;
        if (!ParseAction(tokens, captures, loaded, action, message)) return fail(message);
        rule->actions.push_back(std::move(action));
        continue;
      }
      rule = nullptr;
      if (head.quoted) return fail("a line must start with `on`, `include` or `set`");
      if (head.text == "on") {
        Rule parsed;
        parsed.where = where;
        if (!ParseHead(tokens, parsed, message)) return fail(message);
        captures = 0;
        for (const Rule::Word& w : parsed.words) captures += w.kind != Rule::Word::Literal;
        loaded = false;
        out.scenario.rules.push_back(std::move(parsed));
        rule = &out.scenario.rules.back();
      } else if (head.text == "include") {
        if (tokens.size() != 2) return fail("`include` takes one built-in scenario name");
        const std::string& name = tokens[1].text;
        if (depth >= kMaxIncludeDepth) return fail("includes nested too deeply at " + name);
        std::optional<std::string> included = resolve_ ? resolve_(name) : std::nullopt;
        if (!included) return fail("no built-in scenario named '" + name + "'");
        Parsed inner;
        if (!Parse(*included, name, depth + 1, inner, error)) return false;
        for (Rule& r : inner.scenario.rules) out.scenario.rules.push_back(std::move(r));
        if (!included_crlf) included_crlf = inner.crlf;
      } else if (head.text == "set") {
        if (tokens.size() != 3 || tokens[1].text != "crlf" ||
            (tokens[2].text != "0" && tokens[2].text != "1")) {
          return fail("the only setting is `set crlf 0` or `set crlf 1`");
        }
        out.crlf = tokens[2].text == "1";
      } else {
        return fail("unknown keyword '" + head.text + "' (indent actions under an `on` line)");
      }
    }
    // A scenario's own setting wins over one from an included scenario.
    if (!out.crlf) out.crlf = included_crlf;
    return true;
  }

 private:
  static bool ParseHead(const std::vector<Token>& tokens, Rule& rule, std::string& error) {
    if (tokens.size() < 2) {
      error = "`on` needs a tool: adb, fastboot or *";
      return false;
    }
    rule.tool = tokens[1].text;
    if (rule.tool != "adb" && rule.tool != "fastboot" && rule.tool != "*") {
      error = "unknown tool '" + rule.tool + "' (adb, fastboot or *)";
      return false;
    }
    size_t last = tokens.size();
    const Token& tail = tokens.back();
    if (tokens.size() > 2 && !tail.quoted && tail.text.rfind("times=", 0) == 0) {
      if (!ParseInt(tail.text.substr(6), rule.times) || rule.times < 1) {
        error = "times= needs a whole number of at least 1";
        return false;
      }
      --last;
    }
    for (size_t i = 2; i < last; ++i) {
      Rule::Word word{Rule::Word::Literal, tokens[i].text};
      if (!tokens[i].quoted && tokens[i].text == "*") word.kind = Rule::Word::One;
      if (!tokens[i].quoted && tokens[i].text == "**") {
        if (i + 1 != last) {
          error = "** must be the last word";
          return false;
        }
        word.kind = Rule::Word::Rest;
      }
      rule.words.push_back(std::move(word));
    }
    return true;
  }

  static bool ParseAction(const std::vector<Token>& tokens, int captures, bool& loaded,
                          Action& action, std::string& error) {
    const std::string& verb = tokens[0].text;
    size_t n = tokens.size();
    auto text_arg = [&](size_t i, Template& out) {
      return ParseTemplate(tokens[i].text, captures, loaded, out, error);
    };
    auto seconds_arg = [&](size_t i) {
      if (ParseNumber(tokens[i].text, action.seconds)) return true;
      error = "'" + tokens[i].text + "' is not a number of seconds";
      return false;
    };
    auto usage = [&](const char* form) {
      error = std::string("usage: ") + form;
      return false;
    };
    if (verb == "out" || verb == "err") {
      if (n != 2) return usage(verb == "out" ? "out TEXT" : "err TEXT");
      action.kind = verb == "out" ? Action::Out : Action::Err;
      return text_arg(1, action.text);
    }
    if (verb == "step") {
      action.kind = Action::Step;
      if (n == 2) return text_arg(1, action.text);
      if (n == 4 && tokens[2].text == "okay") {
        action.result = Action::Okay;
        return text_arg(1, action.text) && seconds_arg(3);
      }
      if (n == 4 && tokens[2].text == "failed") {
        action.result = Action::Failed;
        return text_arg(1, action.text) && text_arg(3, action.reason);
      }
      return usage("step LABEL [okay SECONDS | failed REASON]");
    }
    if (verb == "okay" || verb == "finished") {
      if (n != 2) return usage(verb == "okay" ? "okay SECONDS" : "finished SECONDS");
      action.kind = verb == "okay" ? Action::Okay : Action::Finished;
      return seconds_arg(1);
    }
    if (verb == "failed") {
      if (n != 2) return usage("failed REASON");
      action.kind = Action::Failed;
      return text_arg(1, action.text);
    }
    if (verb == "load") {
      if (n != 2) return usage("load FILE");
      action.kind = Action::Load;
      if (!text_arg(1, action.text)) return false;
      loaded = true;
      return true;
    }
    if (verb == "exit") {
      action.kind = Action::Exit;
      if (n != 2 || !ParseInt(tokens[1].text, action.code) || action.code < 0) {
        return usage("exit CODE");
      }
      return true;
    }
    if (verb == "hang") {
      if (n != 1) return usage("hang");
      action.kind = Action::Hang;
      return true;
    }
    if (verb == "server") {
      if (n != 2) return usage("server SECONDS");
      action.kind = Action::Server;
      return seconds_arg(1);
    }
    error = "unknown action '" + verb + "'";
    return false;
  }

  const IncludeResolver& resolve_;
};

std::string Expand(const Template& t, const std::vector<std::string>& captures,
                   std::optional<std::uint64_t> kb) {
  std::string out;
  for (const Template::Piece& p : t.pieces) {
    switch (p.kind) {
      case Template::Piece::Literal: out += p.text; break;
      case Template::Piece::Capture:
        if (p.capture <= static_cast<int>(captures.size())) out += captures[p.capture - 1];
        break;
      case Template::Piece::Kb: out += std::to_string(kb.value_or(0)); break;
    }
  }
  return out;
}

std::string Format(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string ToCrlf(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

ParseResult ParseScenario(std::string_view text, std::string_view source,
                          const IncludeResolver& resolve) {
  ParseResult result;
  Parser parser(resolve);
  Parsed parsed;
  if (!parser.Parse(text, source, 0, parsed, result.error)) return result;
  result.scenario = std::move(parsed.scenario);
  result.scenario.crlf = parsed.crlf.value_or(false);
  return result;
}

State ParseState(std::string_view text) {
  State state;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    start = end + 1;
    int a = 0, b = 0;
    if (std::sscanf(line.c_str(), "calls %d", &a) == 1) {
      state.calls = a;
    } else if (std::sscanf(line.c_str(), "rule %d used %d", &a, &b) == 2 && a >= 1) {
      state.uses[a - 1] = b;
    }
  }
  return state;
}

std::string FormatState(const State& state) {
  std::string out = "calls " + std::to_string(state.calls) + "\n";
  for (const auto& [rule, used] : state.uses) {
    out += "rule " + std::to_string(rule + 1) + " used " + std::to_string(used) + "\n";
  }
  return out;
}

Match FindRule(const Scenario& scenario, std::string_view tool,
               const std::vector<std::string>& args, const State& state) {
  for (size_t index = 0; index < scenario.rules.size(); ++index) {
    const Rule& rule = scenario.rules[index];
    if (rule.tool != "*" && rule.tool != tool) continue;
    if (rule.times > 0) {
      auto it = state.uses.find(static_cast<int>(index));
      if (it != state.uses.end() && it->second >= rule.times) continue;
    }
    Match match;
    size_t a = 0;
    bool ok = true;
    for (const Rule::Word& word : rule.words) {
      if (word.kind == Rule::Word::Rest) {
        std::string rest;
        for (; a < args.size(); ++a) rest += (rest.empty() ? "" : " ") + args[a];
        match.captures.push_back(std::move(rest));
        break;
      }
      if (a >= args.size() || (word.kind == Rule::Word::Literal && args[a] != word.text)) {
        ok = false;
        break;
      }
      if (word.kind == Rule::Word::One) match.captures.push_back(args[a]);
      ++a;
    }
    if (ok && a == args.size()) {
      match.rule = static_cast<int>(index);
      return match;
    }
  }
  return {};
}

int Perform(const Rule& rule, const std::vector<std::string>& captures, bool crlf,
            Effects& effects) {
  std::optional<std::uint64_t> kb;
  auto write = [&](Stream stream, const std::string& text) {
    effects.Write(stream, crlf ? ToCrlf(text) : text);
  };
  auto expand = [&](const Template& t) { return Expand(t, captures, kb); };
  auto okay = [](double seconds) { return Format("OKAY [%7.3fs]\n", seconds); };
  for (const Action& action : rule.actions) {
    switch (action.kind) {
      case Action::Out: write(Stream::Out, expand(action.text)); break;
      case Action::Err: write(Stream::Err, expand(action.text)); break;
      case Action::Step: {
        // fastboot pads each step's label to 50 columns before its result.
        std::string line = expand(action.text);
        if (line.size() < 50) line.append(50 - line.size(), ' ');
        line += ' ';
        if (action.result == Action::Okay) line += okay(action.seconds);
        if (action.result == Action::Failed) line += "FAILED (" + expand(action.reason) + ")\n";
        write(Stream::Err, line);
        break;
      }
      case Action::Okay: write(Stream::Err, okay(action.seconds)); break;
      case Action::Failed: write(Stream::Err, "FAILED (" + expand(action.text) + ")\n"); break;
      case Action::Finished:
        write(Stream::Err, Format("Finished. Total time: %.3fs\n", action.seconds));
        break;
      case Action::Load: {
        std::string path = expand(action.text);
        std::optional<std::uint64_t> size = effects.FileSize(path);
        if (!size) {
          write(Stream::Err,
                "fastboot: error: cannot load '" + path + "': No such file or directory\n");
          return 1;
        }
        kb = *size / 1024;
        break;
      }
      case Action::Exit: return action.code;
      case Action::Hang: effects.Hang(); break;
      case Action::Server: effects.StartServer(action.seconds); break;
    }
  }
  return 0;
}

}  // namespace phone
