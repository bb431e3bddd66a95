// Expressions: literals, variables, argument slots, constants and the
// operators. `+` adds numbers and joins texts; `-`, `*`, `/` and `%` take
// numbers; `=` compares two numbers or two texts and gives 1 or 0.
#include <algorithm>
#include <cmath>
#include <string>

#include "preview/interpreter/interpreter.h"

namespace kelvo::preview {

namespace {

std::string_view symbol_of(Operator op) {
    switch (op) {
    case Operator::add: return "+";
    case Operator::subtract: return "-";
    case Operator::multiply: return "*";
    case Operator::divide: return "/";
    case Operator::remainder: return "%";
    case Operator::equal: return "=";
    }
    return {};
}

}  // namespace

bool Interpreter::eval(std::uint32_t id, Value& out) {
    if (!step()) return false;
    const Expr& expr = program().exprs[id];
    switch (expr.kind) {
    case ExprKind::number: out = Value::of(program().numbers[expr.a]); return true;
    case ExprKind::text: out = program().texts[expr.a]; return true;
    case ExprKind::variable: return read_variable(expr, out);
    case ExprKind::argument: return read_argument(expr, out);
    case ExprKind::constant: out = constants_[expr.a]; return true;
    case ExprKind::negate: return eval_negate(expr, out);
    case ExprKind::chain: return eval_chain(expr, out);
    case ExprKind::call: return eval_call(expr, out);
    case ExprKind::unknown_call:
        fault_at(FaultKind::unknown_function, expr.range, program().names[expr.a]);
        return false;
    }
    return false;
}

bool Interpreter::read_variable(const Expr& expr, Value& out) {
    if (variable_set_[expr.a] == 0) {
        fault_at(FaultKind::unset_variable, expr.range, symbols_.name(expr.a));
        return false;
    }
    out = variables_[expr.a];
    return true;
}

// A slot holds a value when the call gave that many arguments, or the text
// set it.
bool Interpreter::read_argument(const Expr& expr, Value& out) {
    const Frame& frame = frames_.back();
    if ((frame.set >> expr.a & 1U) == 0) {
        fault_at(FaultKind::unset_variable, expr.range, "argument" + std::to_string(expr.a));
        return false;
    }
    out = frame.arguments[expr.a];
    return true;
}

bool Interpreter::eval_negate(const Expr& expr, Value& out) {
    if (!eval(expr.a, out)) return false;
    if (out.is_text()) {
        fault_at(FaultKind::text_for_number, expr.range, "-", 1);
        return false;
    }
    out = Value::of(-out.number);
    return true;
}

// Left to right, each operator applied to what came before it and the
// operand after it; a fault names that part of the chain.
bool Interpreter::eval_chain(const Expr& expr, Value& out) {
    if (!eval(program().links[expr.first].expr, out)) return false;
    for (std::uint32_t i = 1; i < expr.count; ++i) {
        const Link link = program().links[expr.first + i];
        Value right;
        if (!eval(link.expr, right)) return false;
        const Range range{expr.range.begin, program().exprs[link.expr].range.end};
        if (!apply(link.op, out, right, range)) return false;
    }
    return true;
}

bool Interpreter::apply(Operator op, Value& left, const Value& right, Range range) {
    switch (op) {
    case Operator::add: return add(left, right, range);
    case Operator::equal: return equal(left, right, range);
    default: return arithmetic(op, left, right, range);
    }
}

// Comparing two texts reads them, at most the shorter's bytes.
bool Interpreter::read_texts(const Value& a, const Value& b) {
    if (!a.is_text() || !b.is_text()) return true;
    if (world_.budget.spend(std::min(a.view().size(), b.view().size()) / text_bytes_per_step)) return true;
    out_of_steps();
    return false;
}

bool Interpreter::add(Value& left, const Value& right, Range range) {
    if (left.is_text() != right.is_text()) {
        fault_at(FaultKind::mixed_operands, range, "+");
        return false;
    }
    if (!left.is_text()) return arithmetic(Operator::add, left, right, range);
    const std::size_t size = left.view().size() + right.view().size();
    if (!world_.budget.spend(size / text_bytes_per_step)) {
        out_of_steps();
        return false;
    }
    std::string joined(left.view());
    joined += right.view();
    left = Value::of_text(std::move(joined));
    return true;
}

bool Interpreter::arithmetic(Operator op, Value& left, const Value& right, Range range) {
    if (left.is_text() || right.is_text()) {
        fault_at(FaultKind::text_for_number, range, symbol_of(op), left.is_text() ? 1 : 2);
        return false;
    }
    if ((op == Operator::divide || op == Operator::remainder) && right.number == 0) {
        fault_at(FaultKind::division_by_zero, range, symbol_of(op));
        return false;
    }
    double result = 0;
    switch (op) {
    case Operator::add: result = left.number + right.number; break;
    case Operator::subtract: result = left.number - right.number; break;
    case Operator::multiply: result = left.number * right.number; break;
    case Operator::divide: result = left.number / right.number; break;
    default: result = std::fmod(left.number, right.number); break;
    }
    if (!std::isfinite(result)) {
        fault_at(FaultKind::math_error, range, symbol_of(op));
        return false;
    }
    left = Value::of(result);
    return true;
}

bool Interpreter::equal(Value& left, const Value& right, Range range) {
    if (left.is_text() != right.is_text()) {
        fault_at(FaultKind::mixed_operands, range, "=");
        return false;
    }
    if (!read_texts(left, right)) return false;
    const bool same = left.is_text() ? left.view() == right.view() : left.number == right.number;
    left = Value::of(same ? 1 : 0);
    return true;
}

}  // namespace kelvo::preview
