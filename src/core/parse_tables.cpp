#include "parse_tables.h"

#include "lalr_construction.h"

// The tables are built where the parse loop includes them; here they are
// checked once.
namespace ziffralon {

static_assert(PARSE_TABLES.state_count > 0, "the grammar needs more than MAX_PARSE_STATES states");
static_assert(PARSE_TABLES.unresolved_conflicts == 0, "the precedence table leaves a conflict open");
static_assert(PARSE_TABLES.terminal_of_token[TOK_END] == T_END, "terminal_of reads code 0 from the table");

}  // namespace ziffralon
