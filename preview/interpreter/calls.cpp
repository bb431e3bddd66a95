// Calls of host functions: the argument count and kinds checked against the
// function's row, the call traced, and execute_string, which runs a text.
#include <algorithm>
#include <string>
#include <utility>

#include "preview/interpreter/interpreter.h"
#include "preview/host/call.h"
#include "preview/parse/parser.h"

namespace kelvo::preview {

namespace {

// Bodies kept read at once; past it the store starts afresh.
constexpr std::size_t kept_bodies = 64;

TracedValue traced(const Value& value) {
    TracedValue out;
    if (!value.is_text()) {
        out.kind = TracedValue::Kind::number;
        out.number = value.number;
        return out;
    }
    out.kind = TracedValue::Kind::text;
    out.text = std::string(value.view().substr(0, kept_value_bytes));
    out.length = value.view().size();
    return out;
}

}  // namespace

bool Interpreter::eval_call(const Expr& expr, Value& out) {
    const HostFunction& function = host_functions()[expr.a];
    const auto given = static_cast<int>(expr.count);
    if (given < function.least || given > function.most) {
        Fault fault;
        fault.kind = FaultKind::wrong_argument_count;
        fault.range = fault.at = expr.range;
        fault.name = std::string(function.name);
        fault.given = given;
        fault.least = function.least;
        fault.most = function.most;
        add_fault(std::move(fault));
        return false;
    }
    const std::size_t base = arguments_.size();
    const bool ok = eval_arguments(expr) && call_host(function, base, expr, out);
    arguments_.resize(base);
    return ok;
}

bool Interpreter::eval_arguments(const Expr& expr) {
    for (std::uint32_t i = 0; i < expr.count; ++i) {
        Value value;
        if (!eval(program().lists[expr.first + i], value)) return false;
        arguments_.push_back(std::move(value));
    }
    return true;
}

bool Interpreter::check_kinds(const HostFunction& function, std::span<const Value> arguments, Range range) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const char wanted = argument_kind(function, i);
        const bool text = arguments[i].is_text();
        if (wanted == 'a' || (wanted == 't') == text) continue;
        fault_at(text ? FaultKind::text_for_number : FaultKind::number_for_text, range, function.name,
                 static_cast<int>(i + 1));
        return false;
    }
    return true;
}

bool Interpreter::call_host(const HostFunction& function, std::size_t base, const Expr& expr, Value& out) {
    const std::span<const Value> arguments(arguments_.data() + base, expr.count);
    if (!check_kinds(function, arguments, expr.range)) return false;
    const std::size_t entry = trace_call(static_cast<std::size_t>(expr.a), expr.range, arguments);
    if (function.call == nullptr) return execute_string(base, expr, entry, out);
    Call call(world_, arguments, expr.range, entry);
    function.call(call);
    if (out_of_steps()) return false;
    if (call.failed()) {
        Fault fault;
        fault.kind = call.failure().kind;
        fault.range = fault.at = expr.range;
        fault.name = std::string(function.name);
        fault.position = call.failure().position;
        fault.limit = call.failure().limit;
        const std::size_t index = add_fault(std::move(fault));
        if (entry != no_call) trace_[entry].fault = index;
        return false;
    }
    out = call.gave() ? call.result() : Value::of(0);
    trace_result(entry, out, call.gave());
    if (world_.game_ended) stopping_ = true;
    return true;
}

// Runs the text as a body of its own: its argument slots are the call's
// arguments after the text; the variables are the run's. The call's value
// is what the body's return gives, else 0.
bool Interpreter::execute_string(std::size_t base, const Expr& expr, std::size_t entry, Value& out) {
    if (frames_.size() > static_cast<std::size_t>(call_depth_limit)) {
        Fault fault;
        fault.kind = FaultKind::call_depth;
        fault.range = fault.at = expr.range;
        fault.name = "execute_string";
        fault.limit = call_depth_limit;
        add_fault(std::move(fault));
        return false;
    }
    Frame frame;
    for (std::uint32_t i = 1; i < expr.count; ++i) {
        frame.arguments[i - 1] = arguments_[base + i];
        frame.set |= 1U << (i - 1);
    }
    frame.program = body_of(arguments_[base], expr.range);
    if (!frame.program || !frame.program->runs()) return false;
    const Program* caller = program_;
    const Range statement = statement_range_;
    program_ = frame.program.get();
    frames_.push_back(std::move(frame));
    const Flow flow = text_end(exec(program_->root));
    out = frames_.back().returned;
    frames_.pop_back();
    program_ = caller;
    statement_range_ = statement;
    if (flow == Flow::stopped) return false;
    trace_result(entry, out, true);
    return true;
}

// The program of a body, read once and kept; reading it costs steps. A body
// the host cannot read gives its faults the first time it is called.
std::shared_ptr<const Program> Interpreter::body_of(const Value& text, Range call) {
    const Range fallback = text.origin == no_origin ? call : Range{};
    const auto kept = std::find_if(bodies_.begin(), bodies_.end(), [&](const Body& body) {
        return body.text == text.text && body.origin == text.origin && body.fallback == fallback;
    });
    if (kept != bodies_.end()) return kept->program;
    if (!world_.budget.spend(1 + text.view().size() * steps_per_parsed_byte)) {
        out_of_steps();
        return nullptr;
    }
    if (bodies_.size() >= kept_bodies) bodies_.clear();
    auto program = std::make_shared<const Program>(
        parse(text.view(), Placement{text.origin, call}, symbols_, world_.settings.fault_limit));
    variables_.resize(symbols_.size());
    variable_set_.resize(symbols_.size());
    for (const Fault& fault : program->faults) add_fault(fault);
    faults_dropped_ += program->faults_dropped;
    bodies_.push_back({text.text, text.origin, fallback, program});
    return program;
}

std::size_t Interpreter::trace_call(std::size_t function, Range range, std::span<const Value> arguments) {
    if (trace_.size() >= world_.settings.trace_limit) {
        ++trace_dropped_;
        return no_call;
    }
    TraceEntry entry;
    entry.function = function;
    entry.name = host_functions()[function].name;
    entry.range = range;
    entry.depth = static_cast<int>(frames_.size()) - 1;
    entry.arguments.reserve(arguments.size());
    for (const Value& value : arguments) entry.arguments.push_back(traced(value));
    trace_.push_back(std::move(entry));
    return trace_.size() - 1;
}

void Interpreter::trace_result(std::size_t entry, const Value& result, bool gave) {
    if (entry == no_call || !gave) return;
    trace_[entry].result = traced(result);
}

}  // namespace kelvo::preview
