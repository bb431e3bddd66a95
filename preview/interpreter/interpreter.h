// Runs a host text: reads it whole, then runs its statements, calling the
// host functions and keeping the trace and the faults. A fault abandons the
// statement it stands in (the run goes on with the next one); running out
// of steps or game_end() ends the run.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "preview/faults/fault.h"
#include "preview/host/functions.h"
#include "preview/host/world.h"
#include "preview/interpreter/trace.h"
#include "preview/parse/program.h"
#include "preview/parse/symbols.h"
#include "preview/values/value.h"

namespace kelvo::preview {

class Interpreter {
public:
    explicit Interpreter(World& world);

    void run(std::string_view host);

    // The host text could be read and so ran.
    bool ran() const { return ran_; }
    std::vector<TraceEntry>& trace() { return trace_; }
    std::size_t trace_dropped() const { return trace_dropped_; }
    std::vector<Fault>& faults() { return faults_; }
    std::size_t faults_dropped() const { return faults_dropped_; }

private:
    enum class Flow : std::uint8_t { next, broke, continued, returned, exited, stopped };

    // The text being run: the main text or a body, its argument slots and
    // the value its return gives.
    struct Frame {
        std::shared_ptr<const Program> program;
        std::array<Value, argument_slots> arguments;
        std::uint32_t set = 0;  // a bit per argument slot that holds a value
        Value returned;
    };

    // A body read before, kept so that a body called again is not read again.
    struct Body {
        std::shared_ptr<const std::string> text;
        std::size_t origin = no_origin;
        Range fallback;
        std::shared_ptr<const Program> program;
    };

    // statements (interpreter.cpp)
    Flow exec(std::uint32_t id);
    Flow exec_block(const Stmt& stmt);
    Flow exec_simple(const Stmt& stmt);
    Flow exec_if(std::uint32_t id);
    Flow exec_while(const Stmt& stmt);
    Flow exec_repeat(const Stmt& stmt);
    Flow exec_do(const Stmt& stmt);
    Flow exec_switch(const Stmt& stmt);
    Flow exec_return(const Stmt& stmt);
    bool assign(const Stmt& stmt);
    bool condition(std::uint32_t expr, std::string_view keyword, bool& truth);
    std::uint32_t switch_start(const Stmt& stmt, const Value& value, bool& ok);
    Flow after_fault() const { return stopping_ ? Flow::stopped : Flow::next; }
    Flow text_end(Flow flow) const { return flow == Flow::stopped ? Flow::stopped : Flow::next; }

    // expressions (evaluate.cpp)
    bool eval(std::uint32_t id, Value& out);
    bool eval_chain(const Expr& expr, Value& out);
    bool eval_negate(const Expr& expr, Value& out);
    bool read_variable(const Expr& expr, Value& out);
    bool read_argument(const Expr& expr, Value& out);
    bool apply(Operator op, Value& left, const Value& right, Range range);
    bool add(Value& left, const Value& right, Range range);
    bool arithmetic(Operator op, Value& left, const Value& right, Range range);
    bool equal(Value& left, const Value& right, Range range);
    bool read_texts(const Value& a, const Value& b);

    // calls (calls.cpp)
    bool eval_call(const Expr& expr, Value& out);
    bool eval_arguments(const Expr& expr);
    bool check_kinds(const HostFunction& function, std::span<const Value> arguments, Range range);
    bool call_host(const HostFunction& function, std::size_t base, const Expr& expr, Value& out);
    bool execute_string(std::size_t base, const Expr& expr, std::size_t entry, Value& out);
    std::shared_ptr<const Program> body_of(const Value& text, Range call);
    std::size_t trace_call(std::size_t function, Range range, std::span<const Value> arguments);
    void trace_result(std::size_t entry, const Value& result, bool gave);

    // faults and steps (interpreter.cpp)
    std::size_t add_fault(Fault fault);
    std::size_t fault_at(FaultKind kind, Range range, std::string_view name, int position = 0);
    bool step();
    bool out_of_steps();

    const Program& program() const { return *program_; }

    World& world_;
    Symbols symbols_;
    std::vector<Value> variables_;
    std::vector<char> variable_set_;
    std::vector<Value> constants_;
    std::vector<Frame> frames_;
    std::vector<Value> arguments_;  // the evaluated arguments of the calls under way
    std::vector<Body> bodies_;
    const Program* program_ = nullptr;
    Range statement_range_;
    bool stopping_ = false;
    bool ran_ = false;
    std::vector<TraceEntry> trace_;
    std::size_t trace_dropped_ = 0;
    std::vector<Fault> faults_;
    std::size_t faults_dropped_ = 0;
};

}  // namespace kelvo::preview
