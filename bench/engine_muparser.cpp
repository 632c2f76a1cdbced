// muparser, a bytecode evaluator that embedding programs use today, with the
// host variables bound as its variables. It writes a few names differently and
// has no %, !, ~, ku, kf or statements; formulas using those are left out of
// its column.
#include <muParser.h>

#include <cctype>
#include <optional>
#include <string>
#include <string_view>

#include "engines.h"

namespace ziffralon_bench {

namespace {

constexpr std::string_view OWN_OPERATORS = "%!~;=";
constexpr std::string_view OWN_FUNCTIONS[] = {"ku", "kf"};
constexpr std::pair<std::string_view, std::string_view> RENAMED[] = {{"fabs", "abs"}, {"pi", "_pi"}, {"e", "_e"}};

std::string_view peer_name(std::string_view name) {
  for (auto [ours, theirs] : RENAMED)
    if (name == ours) return theirs;
  return name;
}

// The formula in muparser's words, or nothing when muparser cannot say it.
std::optional<std::string> muparser_text(std::string_view text) {
  std::string translated;
  for (std::size_t at = 0; at < text.size();) {
    if (OWN_OPERATORS.find(text[at]) != std::string_view::npos) return std::nullopt;
    if (!std::isalpha(static_cast<unsigned char>(text[at]))) {
      translated += text[at++];
      continue;
    }
    std::size_t end = at;
    while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end]))) ++end;
    std::string_view name = text.substr(at, end - at);
    for (std::string_view own : OWN_FUNCTIONS)
      if (name == own) return std::nullopt;
    translated += peer_name(name);
    at = end;
  }
  return translated;
}

void muparser(benchmark::State& state, const Formula& formula) {
  HostVariables values = starting_variables();
  mu::Parser parser;
  try {
    for (const HostVariable& variable : HOST_VARIABLES) parser.DefineVar(variable.name, &(values.*variable.member));
    parser.SetExpr(*muparser_text(formula.text));
    if (!matches_native(state, formula, parser.Eval())) return;
    for (auto _ : state) {
      advance(values);
      double result = parser.Eval();
      benchmark::DoNotOptimize(result);
    }
  } catch (const mu::Parser::exception_type& error) {
    state.SkipWithError(error.GetMsg().c_str());
  }
}

}  // namespace

void register_peer_benchmarks() {
  register_formula_benchmarks("muparser", muparser,
                              [](const Formula& formula) { return muparser_text(formula.text).has_value(); });
}

}  // namespace ziffralon_bench
