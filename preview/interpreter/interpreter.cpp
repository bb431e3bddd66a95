#include "preview/interpreter/interpreter.h"

#include <string>
#include <utility>

#include "preview/host/constants.h"
#include "preview/parse/parser.h"

namespace kelvo::preview {

namespace {

// Whether a case value matches: numbers and texts each among their own.
bool same(const Value& a, const Value& b) {
    if (a.kind != b.kind) return false;
    return a.is_text() ? a.view() == b.view() : a.number == b.number;
}

}  // namespace

Interpreter::Interpreter(World& world) : world_(world) {
    const ClockParts parts = parts_of(world.settings.clock);
    for (const HostConstant& constant : host_constants()) {
        constants_.push_back(Value::of(constant_value(constant, parts, world.settings.clock)));
    }
}

void Interpreter::run(std::string_view host) {
    auto main = std::make_shared<Program>(parse(host, Placement{0, {}}, symbols_, world_.settings.fault_limit));
    if (!main->runs()) {
        for (Fault& fault : main->faults) add_fault(std::move(fault));
        faults_dropped_ += main->faults_dropped;
        return;
    }
    ran_ = true;
    variables_.resize(symbols_.size());
    variable_set_.resize(symbols_.size());
    frames_.push_back({main, {}, 0, {}});
    program_ = main.get();
    exec(main->root);
    frames_.clear();
}

// ---- faults and steps

std::size_t Interpreter::add_fault(Fault fault) {
    if (faults_.size() >= world_.settings.fault_limit) {
        ++faults_dropped_;
        return no_fault;
    }
    faults_.push_back(std::move(fault));
    return faults_.size() - 1;
}

std::size_t Interpreter::fault_at(FaultKind kind, Range range, std::string_view name, int position) {
    Fault fault;
    fault.kind = kind;
    fault.range = fault.at = range;
    fault.name = std::string(name);
    fault.position = position;
    return add_fault(std::move(fault));
}

// Once the budget is spent the run stops, with one fault at the statement
// under way.
bool Interpreter::out_of_steps() {
    if (!world_.budget.exhausted()) return false;
    if (!stopping_) {
        Fault fault;
        fault.kind = FaultKind::step_budget;
        fault.range = fault.at = statement_range_;
        fault.limit = world_.budget.limit();
        add_fault(std::move(fault));
    }
    stopping_ = true;
    return true;
}

bool Interpreter::step() {
    if (world_.budget.spend(1)) return true;
    out_of_steps();
    return false;
}

// ---- statements

Interpreter::Flow Interpreter::exec(std::uint32_t id) {
    const Stmt& stmt = program().stmts[id];
    switch (stmt.kind) {
    case StmtKind::block: return exec_block(stmt);
    case StmtKind::if_then: return exec_if(id);
    case StmtKind::while_loop: return exec_while(stmt);
    case StmtKind::repeat_loop: return exec_repeat(stmt);
    case StmtKind::do_until: return exec_do(stmt);
    case StmtKind::switch_block: return exec_switch(stmt);
    case StmtKind::return_value: return exec_return(stmt);
    case StmtKind::case_label:
    case StmtKind::default_label: return Flow::next;
    default: return exec_simple(stmt);
    }
}

Interpreter::Flow Interpreter::exec_block(const Stmt& stmt) {
    for (std::uint32_t i = 0; i < stmt.count; ++i) {
        const Flow flow = exec(program().lists[stmt.first + i]);
        if (flow != Flow::next) return flow;
    }
    return Flow::next;
}

Interpreter::Flow Interpreter::exec_simple(const Stmt& stmt) {
    statement_range_ = stmt.range;
    if (!step()) return Flow::stopped;
    switch (stmt.kind) {
    case StmtKind::break_loop: return Flow::broke;
    case StmtKind::continue_loop: return Flow::continued;
    case StmtKind::exit_text: return Flow::exited;
    case StmtKind::assign: assign(stmt); break;
    default: {
        Value ignored;
        eval(stmt.a, ignored);
        break;
    }
    }
    return stopping_ ? Flow::stopped : Flow::next;
}

bool Interpreter::assign(const Stmt& stmt) {
    Value value;
    if (!eval(stmt.b, value)) return false;
    const bool to_argument = stmt.target == Target::argument;
    Frame& frame = frames_.back();
    Value& target = to_argument ? frame.arguments[stmt.a] : variables_[stmt.a];
    if (stmt.assign != Assign::set) {
        const bool is_set = to_argument ? (frame.set >> stmt.a & 1U) != 0 : variable_set_[stmt.a] != 0;
        if (!is_set) {
            fault_at(FaultKind::unset_variable, stmt.range,
                     to_argument ? "argument" + std::to_string(stmt.a) : symbols_.name(stmt.a));
            return false;
        }
        static constexpr Operator operators[] = {Operator::add, Operator::add, Operator::subtract, Operator::multiply,
                                                  Operator::divide};
        Value left = target;
        if (!apply(operators[static_cast<int>(stmt.assign)], left, value, stmt.range)) return false;
        value = std::move(left);
    }
    target = std::move(value);
    if (to_argument) frame.set |= 1U << stmt.a;
    else variable_set_[stmt.a] = 1;
    return true;
}

// A condition's value as a truth; a text fails it.
bool Interpreter::condition(std::uint32_t expr, std::string_view keyword, bool& truth) {
    Value value;
    if (!eval(expr, value)) return false;
    if (value.is_text()) {
        fault_at(FaultKind::text_for_number, statement_range_, keyword);
        return false;
    }
    truth = is_true(value.number);
    return true;
}

// An `if` and the `else if`s chained to it, one after the other.
Interpreter::Flow Interpreter::exec_if(std::uint32_t id) {
    for (;;) {
        const Stmt& stmt = program().stmts[id];
        statement_range_ = stmt.range;
        if (!step()) return Flow::stopped;
        bool truth = false;
        if (!condition(stmt.a, "if", truth)) return after_fault();
        if (truth) return exec(stmt.b);
        if (stmt.c == none) return Flow::next;
        if (program().stmts[stmt.c].kind != StmtKind::if_then) return exec(stmt.c);
        id = stmt.c;
    }
}

Interpreter::Flow Interpreter::exec_while(const Stmt& stmt) {
    for (;;) {
        statement_range_ = stmt.range;
        if (!step()) return Flow::stopped;
        bool truth = false;
        if (!condition(stmt.a, "while", truth)) return after_fault();
        if (!truth) return Flow::next;
        const Flow flow = exec(stmt.b);
        if (flow == Flow::broke) return Flow::next;
        if (flow != Flow::next && flow != Flow::continued) return flow;
    }
}

// The count is read once, rounded; the loop keeps no list of its turns.
Interpreter::Flow Interpreter::exec_repeat(const Stmt& stmt) {
    statement_range_ = stmt.range;
    if (!step()) return Flow::stopped;
    Value count;
    if (!eval(stmt.a, count)) return after_fault();
    if (count.is_text()) {
        fault_at(FaultKind::text_for_number, stmt.range, "repeat");
        return after_fault();
    }
    for (long long turn = whole(count.number); turn > 0; --turn) {
        statement_range_ = stmt.range;
        if (!step()) return Flow::stopped;
        const Flow flow = exec(stmt.b);
        if (flow == Flow::broke) return Flow::next;
        if (flow != Flow::next && flow != Flow::continued) return flow;
    }
    return Flow::next;
}

Interpreter::Flow Interpreter::exec_do(const Stmt& stmt) {
    for (;;) {
        const Flow flow = exec(stmt.b);
        if (flow == Flow::broke) return Flow::next;
        if (flow != Flow::next && flow != Flow::continued) return flow;
        statement_range_ = stmt.range;
        if (!step()) return Flow::stopped;
        bool truth = false;
        if (!condition(stmt.a, "until", truth)) return after_fault();
        if (truth) return Flow::next;
    }
}

// The index in the switch's list to start at: the first case that matches,
// else its default; none when neither.
std::uint32_t Interpreter::switch_start(const Stmt& stmt, const Value& value, bool& ok) {
    std::uint32_t fallback = none;
    for (std::uint32_t i = 0; i < stmt.count; ++i) {
        const Stmt& item = program().stmts[program().lists[stmt.first + i]];
        if (item.kind == StmtKind::default_label && fallback == none) fallback = i;
        if (item.kind != StmtKind::case_label) continue;
        Value label;
        if (!eval(item.a, label) || !read_texts(value, label)) {
            ok = false;
            return none;
        }
        if (same(value, label)) return i;
    }
    return fallback;
}

Interpreter::Flow Interpreter::exec_switch(const Stmt& stmt) {
    statement_range_ = stmt.range;
    if (!step()) return Flow::stopped;
    Value value;
    if (!eval(stmt.a, value)) return after_fault();
    bool ok = true;
    const std::uint32_t start = switch_start(stmt, value, ok);
    if (!ok) return after_fault();
    if (start == none) return Flow::next;
    for (std::uint32_t i = start; i < stmt.count; ++i) {
        const Flow flow = exec(program().lists[stmt.first + i]);
        if (flow == Flow::broke) return Flow::next;
        if (flow != Flow::next) return flow;
    }
    return Flow::next;
}

Interpreter::Flow Interpreter::exec_return(const Stmt& stmt) {
    statement_range_ = stmt.range;
    if (!step()) return Flow::stopped;
    Value value;
    if (!eval(stmt.a, value)) return after_fault();
    frames_.back().returned = std::move(value);
    return Flow::returned;
}

}  // namespace kelvo::preview
