// A command's syntax: its usage line and what its parser refuses, naming the word.

#include "cli/command_line.h"

#include <gtest/gtest.h>

#include "cli/cli_error.h"
#include "tests/support/raised.h"

namespace {

constexpr Option kFlag{.name = "--verify"};
constexpr Option kFile{.name = "--record", .value = "FILE"};
constexpr Option kEach{.name = "--set", .value = "KEY=VALUE", .repeatable = true};
constexpr Option kMust{.name = "--port", .value = "PORT", .required = true};
const CommandSyntax kSyntax{"write", {"IN.HVK", "KEY=VALUE..."}, {&kEach, &kFlag, &kFile, &kMust}};

TEST(CommandSyntax, UsageLineComesFromTheDeclarations) {
  EXPECT_EQ(kSyntax.Usage(), "write IN.HVK KEY=VALUE... [--set KEY=VALUE]... [--verify] [--record FILE] --port PORT");
}

TEST(ParseArgs, RefusesWhatTheSyntaxDoesNotTakeNamingIt) {
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{"a", "b", "--port", "P", "--verfy"}, "unknown option --verfy"},
      {{"a", "b", "--port", "P", "-v"}, "unknown option -v"},
      {{"a", "b", "--port", "P", "--record"}, "--record wants a value"},
      {{"a", "b", "--port", "P", "--verify", "--verify"}, "--verify is given twice"},
      {{"a", "b"}, "wants --port PORT"},
      {{"a", "--port", "P"}, "wants at least 2 arguments, got 1"},
  };
  for (const auto& [args, message] : rows) {
    const auto error = Raised<CliError>([&] { ParseArgs(args, kSyntax); });
    ASSERT_TRUE(error) << message;
    EXPECT_EQ(error->what(), message);
    EXPECT_EQ(error->ExitStatus(), kExitUsage);
  }
}

TEST(ParseArgs, ALastArgumentInBracketsMayBeLeftOut) {
  const CommandSyntax sheet{"sheet", {"T.HVK", "[SITE...]"}, {}};
  EXPECT_EQ(sheet.Usage(), "sheet T.HVK [SITE...]");
  EXPECT_EQ(ParseArgs({"t"}, sheet).positional.size(), 1u);
  EXPECT_EQ(ParseArgs({"t", "a", "b"}, sheet).positional.size(), 3u);
  EXPECT_EQ(Raised<CliError>([&] { ParseArgs({}, sheet); })->what(), std::string("wants at least 1 argument, got 0"));
}

TEST(ParseArgs, HandsOverWhatWasGivenAndOnlyWhatWasDeclared) {
  const ParsedArgs args = ParseArgs({"-", "x=1", "--set", "a=1", "--port", "P", "--set", "b=-2", "y"}, kSyntax);
  EXPECT_EQ(args.positional, (std::vector<std::string>{"-", "x=1", "y"}));
  EXPECT_EQ(args.Values(kEach), (std::vector<std::string>{"a=1", "b=-2"}));
  EXPECT_EQ(args.Value(kMust), "P");
  EXPECT_FALSE(args.Has(kFlag));
  EXPECT_EQ(args.Value(kFile), "");
  constexpr Option kOther{.name = "--json"};
  EXPECT_THROW(args.Has(kOther), std::logic_error);
}

TEST(ParseArgs, ALastArgumentInBracketsMayBeLeftOutOrGivenOften) {
  const CommandSyntax find{"find", {"[PORT...]"}, {}};
  EXPECT_TRUE(ParseArgs({}, find).positional.empty());
  EXPECT_EQ(ParseArgs({"a", "b"}, find).positional, (std::vector<std::string>{"a", "b"}));
}

}  // namespace
