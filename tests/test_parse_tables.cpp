#include <gtest/gtest.h>

#include "core/lalr_construction.h"

using namespace ziffralon;

namespace {

class ParseTablesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(build_parse_tables(tables)); }
  ParseTables tables;
};

// Counted for the grammar augmented with "$accept: input $end", where shifting
// $end accepts without entering a state of its own.
TEST_F(ParseTablesTest, StateCount) { EXPECT_EQ(tables.state_count, 40); }

TEST_F(ParseTablesTest, TheStartStateReducesTheEmptyInputWithoutReading) {
  EXPECT_TRUE(tables.reduces_without_lookahead[0]);
  EXPECT_EQ(tables.default_rule[0], 1);
}

TEST_F(ParseTablesTest, OnlyTheLineStartStateShiftsTheErrorToken) {
  int shifting = 0;
  for (int s = 0; s < tables.state_count; ++s) shifting += tables.action[s][T_ERROR] > 0;
  EXPECT_EQ(shifting, 1);
  int line_start = tables.go_to[0][N_INPUT - TERMINAL_COUNT];
  EXPECT_GT(tables.action[line_start][T_ERROR], 0);
  EXPECT_EQ(tables.action[line_start][T_END], ACTION_ACCEPT);
}

TEST_F(ParseTablesTest, TokenCodesMapToTheirTerminals) {
  EXPECT_EQ(terminal_of(tables, 0), T_END);
  EXPECT_EQ(terminal_of(tables, -1), T_END);
  EXPECT_EQ(terminal_of(tables, '\n'), T_NEWLINE);
  EXPECT_EQ(terminal_of(tables, '~'), T_TILDE);
  EXPECT_EQ(terminal_of(tables, TOK_NUMBER), T_NUMBER);
  EXPECT_EQ(terminal_of(tables, TOK_FUNCTION), T_FUNCTION);
  EXPECT_EQ(terminal_of(tables, TOK_OVERLONG_IDENTIFIER), T_UNDEFINED);
  EXPECT_EQ(terminal_of(tables, '\r'), T_UNDEFINED);
  EXPECT_EQ(terminal_of(tables, 0xFC), T_UNDEFINED);
  EXPECT_EQ(terminal_of(tables, 5000), T_UNDEFINED);
}

}  // namespace
