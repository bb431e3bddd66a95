// A host text as the interpreter runs it: its statements and expressions in
// flat arrays, each with the range of host text it stands for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "preview/faults/fault.h"
#include "preview/values/value.h"

namespace kelvo::preview {

inline constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();

enum class ExprKind : std::uint8_t {
    number,     // numbers[a]
    text,       // texts[a]
    variable,   // the variable of symbol a
    argument,   // argument slot a (argument0 to argument15)
    constant,   // host constant a
    negate,     // - expression a
    chain,      // links[first .. first + count): operands with the operator before each
    call,       // host function a with the arguments lists[first .. first + count)
    unknown_call,  // a call of names[a], which the host does not have
};

// Chains hold operators of one precedence: `=`, or `+` and `-`, or `*`,
// `/` and `%`; an operand of a looser chain may be a tighter chain.
enum class Operator : std::uint8_t { add, subtract, multiply, divide, remainder, equal };

// An operand of a chain and the operator before it (none before the first).
struct Link {
    std::uint32_t expr = 0;
    Operator op = Operator::add;
};

struct Expr {
    ExprKind kind = ExprKind::number;
    Operator op = Operator::add;
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    Range range;
};

enum class StmtKind : std::uint8_t {
    assign,        // target a (of `target`) `assign` expression b
    call,          // expression a, a call
    block,         // the statements lists[first .. first + count)
    if_then,       // if expression a then statement b, else statement c (or none)
    while_loop,    // while expression a do statement b
    repeat_loop,   // repeat expression a times statement b
    do_until,      // do statement b until expression a
    switch_block,  // switch on expression a over lists[first .. first + count), labels among them
    case_label,    // case expression a:
    default_label, // default:
    break_loop,
    continue_loop,
    return_value,  // return expression a
    exit_text,
};

enum class Target : std::uint8_t { variable, argument };

// `=`, or the operator of `+=`, `-=`, `*=` and `/=`.
enum class Assign : std::uint8_t { set, add, subtract, multiply, divide };

struct Stmt {
    StmtKind kind = StmtKind::block;
    Target target = Target::variable;
    Assign assign = Assign::set;
    std::uint32_t a = none;
    std::uint32_t b = none;
    std::uint32_t c = none;
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    // A statement's own text: a simple statement whole, a compound one its
    // head (`if(x=1 )`, `repeat(3)`, `case 0:`).
    Range range;
};

struct Program {
    std::vector<Expr> exprs;
    std::vector<Stmt> stmts;
    std::vector<std::uint32_t> lists;  // children of calls, blocks and switches
    std::vector<Link> links;           // operands of chains
    std::vector<double> numbers;
    std::vector<Value> texts;
    std::vector<std::string> names;    // of unknown functions and of symbols, for faults
    std::uint32_t root = none;         // a block of the whole text
    std::vector<Fault> faults;         // why the text cannot run
    std::size_t faults_dropped = 0;    // past the fault limit
    bool runs() const { return faults.empty() && faults_dropped == 0 && root != none; }
};

}  // namespace kelvo::preview
