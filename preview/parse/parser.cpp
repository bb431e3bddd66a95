#include "preview/parse/parser.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "preview/host/constants.h"
#include "preview/host/functions.h"
#include "preview/host/settings.h"
#include "preview/parse/lexer.h"

namespace kelvo::preview {

namespace {

constexpr std::size_t found_bytes = 32;

// argument0 to argument15: the slot; any other name: nullopt.
std::optional<std::uint32_t> argument_slot(std::string_view name) {
    constexpr std::string_view prefix = "argument";
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return std::nullopt;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 2 || (digits.size() == 2 && digits[0] == '0')) return std::nullopt;
    std::uint32_t slot = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        slot = slot * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (slot >= argument_slots) return std::nullopt;
    return slot;
}

enum class Level { compare, sum, product };

std::optional<Operator> operator_of(TokenKind kind, Level level) {
    switch (level) {
    case Level::compare: return kind == TokenKind::equals ? std::optional(Operator::equal) : std::nullopt;
    case Level::sum:
        if (kind == TokenKind::plus) return Operator::add;
        if (kind == TokenKind::minus) return Operator::subtract;
        return std::nullopt;
    case Level::product:
        if (kind == TokenKind::times) return Operator::multiply;
        if (kind == TokenKind::divide) return Operator::divide;
        if (kind == TokenKind::remainder) return Operator::remainder;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Assign> assignment_of(TokenKind kind) {
    switch (kind) {
    case TokenKind::equals: return Assign::set;
    case TokenKind::plus_equals: return Assign::add;
    case TokenKind::minus_equals: return Assign::subtract;
    case TokenKind::times_equals: return Assign::multiply;
    case TokenKind::divide_equals: return Assign::divide;
    default: return std::nullopt;
    }
}

class Parser {
public:
    Parser(std::string_view text, const Placement& placement, Symbols& symbols, std::size_t fault_limit)
        : text_(text), tokens_(tokenize(text)), placement_(placement), symbols_(symbols), fault_limit_(fault_limit) {}

    Program run() {
        std::vector<std::uint32_t> items;
        while (!stopped_) {
            std::vector<std::uint32_t> more = list(false);
            items.insert(items.end(), more.begin(), more.end());
            if (stopped_ || kind() == TokenKind::end) break;
            // A `}` that closes nothing.
            const std::size_t start = at_;
            fail(Expected::statement);
            recover(start);
        }
        if (!stopped_) program_.root = add_block(items, placement_.range(0, text_.size()));
        return std::move(program_);
    }

private:
    // ---- tokens
    // The token at hand; inside brackets a line end is stepped over.
    const Token& token() {
        while (brackets_ > 0 && tokens_[at_].kind == TokenKind::line_end) ++at_;
        return tokens_[at_];
    }
    TokenKind kind() { return token().kind; }
    std::string_view word_of(const Token& t) const { return text_.substr(t.begin, t.end - t.begin); }
    // What a fault says it found there: an unknown byte that begins a
    // character of several bytes (UTF-8) with the rest of the character, so
    // that it shows whole.
    std::string_view found_of(const Token& t) const {
        if (t.kind != TokenKind::unknown_byte || static_cast<unsigned char>(text_[t.begin]) < 0xC0) return word_of(t);
        std::size_t end = t.end;
        while (end < text_.size() && end - t.begin < 4 && (static_cast<unsigned char>(text_[end]) & 0xC0) == 0x80) ++end;
        return text_.substr(t.begin, end - t.begin);
    }
    bool at_word(std::string_view word) { return kind() == TokenKind::name && word_of(token()) == word; }
    void advance() {
        last_end_ = token().end;
        if (tokens_[at_].kind != TokenKind::end) ++at_;
    }
    void skip_line_ends() {
        while (kind() == TokenKind::line_end) advance();
    }
    void skip_separators() {
        while (kind() == TokenKind::line_end || kind() == TokenKind::semicolon) advance();
    }
    Range span_from(std::uint32_t begin) const { return placement_.range(begin, last_end_); }

    // ---- faults
    void add_fault(Fault fault) {
        if (program_.faults.size() >= fault_limit_) {
            ++program_.faults_dropped;  // and no more reading
            stopped_ = failed_ = true;
            return;
        }
        program_.faults.push_back(std::move(fault));
    }

    // The construct under way (a statement or a call) to the end of the line
    // that holds the token at hand.
    Range line_range() {
        const Token& here = token();
        const std::uint32_t begin = constructs_.empty() ? here.begin : tokens_[constructs_.back()].begin;
        std::size_t i = at_;
        while (tokens_[i].kind != TokenKind::line_end && tokens_[i].kind != TokenKind::end) ++i;
        const std::uint32_t end = i > 0 && tokens_[i - 1].end > begin ? tokens_[i - 1].end : begin;
        return placement_.range(begin, std::max(end, here.begin));
    }

    void fail(Expected expected, std::optional<Range> range = std::nullopt) {
        if (failed_) return;
        failed_ = true;
        const Token& here = token();
        if (here.kind == TokenKind::unclosed_text) expected = Expected::closing_quote;
        if (here.kind == TokenKind::unknown_byte) expected = Expected::known_character;
        const bool ending = here.kind == TokenKind::line_end || here.kind == TokenKind::end;
        Fault fault;
        fault.kind = FaultKind::parse_error;
        fault.expected = expected;
        if (!ending) {
            const std::string_view found = found_of(here).substr(0, found_bytes);
            fault.found = std::string(found.substr(0, found.find('\n')));
        }
        fault.at = placement_.range(here.begin, ending ? here.begin : here.end);
        fault.range = range ? *range : line_range();
        add_fault(std::move(fault));
    }

    // Skips the rest of a line that failed; the line's `}` is left to close
    // its block.
    void recover(std::size_t start) {
        failed_ = stopped_;
        if (at_ == start) advance();
        while (kind() != TokenKind::line_end && kind() != TokenKind::end && kind() != TokenKind::close_brace) advance();
    }

    // Counts one more level of nesting, of the construct whose first token
    // is at `start`; false past the limit.
    bool deeper(std::size_t start) {
        if (++depth_ <= nesting_limit) return true;
        Fault fault;
        fault.kind = FaultKind::nesting_too_deep;
        fault.range = fault.at = placement_.range(tokens_[start].begin, tokens_[start].end);
        fault.limit = nesting_limit;
        add_fault(std::move(fault));
        stopped_ = failed_ = true;
        return false;
    }

    // Marks one more level of nesting, and for a statement or a call the
    // construct whose text a fault in it names.
    class Nest {
    public:
        enum class Construct : bool { no, yes };
        Nest(Parser& parser, Construct construct, std::size_t start)
            : parser_(parser), ok_(parser.deeper(start)), construct_(construct == Construct::yes) {
            if (construct_) parser.constructs_.push_back(start);
        }
        ~Nest() {
            --parser_.depth_;
            if (construct_) parser_.constructs_.pop_back();
        }
        Nest(const Nest&) = delete;
        Nest& operator=(const Nest&) = delete;
        bool ok() const { return ok_; }

    private:
        Parser& parser_;
        bool ok_;
        bool construct_;
    };

    // Inside brackets, where a line end does not end the statement.
    class Brackets {
    public:
        explicit Brackets(Parser& parser) : parser_(parser) { ++parser_.brackets_; }
        ~Brackets() { --parser_.brackets_; }
        Brackets(const Brackets&) = delete;
        Brackets& operator=(const Brackets&) = delete;

    private:
        Parser& parser_;
    };

    // ---- building
    std::uint32_t add_expr(const Expr& expr) {
        program_.exprs.push_back(expr);
        return static_cast<std::uint32_t>(program_.exprs.size() - 1);
    }
    std::uint32_t add_stmt(const Stmt& stmt) {
        program_.stmts.push_back(stmt);
        return static_cast<std::uint32_t>(program_.stmts.size() - 1);
    }
    std::pair<std::uint32_t, std::uint32_t> add_list(const std::vector<std::uint32_t>& items) {
        const auto first = static_cast<std::uint32_t>(program_.lists.size());
        program_.lists.insert(program_.lists.end(), items.begin(), items.end());
        return {first, static_cast<std::uint32_t>(items.size())};
    }
    std::uint32_t add_block(const std::vector<std::uint32_t>& items, Range range) {
        Stmt block;
        block.kind = StmtKind::block;
        std::tie(block.first, block.count) = add_list(items);
        block.range = range;
        return add_stmt(block);
    }

    // ---- statements
    // Statements up to the end of the text or a `}`; in a switch its labels too.
    std::vector<std::uint32_t> list(bool in_switch) {
        std::vector<std::uint32_t> items;
        for (;;) {
            skip_separators();
            if (stopped_ || kind() == TokenKind::end || kind() == TokenKind::close_brace) break;
            const std::size_t start = at_;
            const std::uint32_t item = in_switch ? switch_item() : statement();
            if (failed_) {
                recover(start);
                continue;
            }
            items.push_back(item);
        }
        return items;
    }

    std::uint32_t switch_item() {
        if (at_word("case")) return label(StmtKind::case_label);
        if (at_word("default")) return label(StmtKind::default_label);
        return statement();
    }

    using Handler = std::uint32_t (Parser::*)();
    struct Keyword {
        std::string_view word;
        Handler handler;
    };

    std::uint32_t statement() {
        const Nest nest(*this, Nest::Construct::yes, at_);
        if (!nest.ok()) return none;
        static constexpr std::array<Keyword, 9> keywords{{
            {"if", &Parser::if_statement},
            {"while", &Parser::while_statement},
            {"repeat", &Parser::repeat_statement},
            {"do", &Parser::do_statement},
            {"switch", &Parser::switch_statement},
            {"break", &Parser::break_statement},
            {"continue", &Parser::continue_statement},
            {"exit", &Parser::exit_statement},
            {"return", &Parser::return_statement},
        }};
        if (kind() == TokenKind::open_brace) return block();
        if (kind() == TokenKind::semicolon) {
            // No statement: `if(x);` runs nothing.
            const Token semicolon = token();
            advance();
            return add_block({}, placement_.range(semicolon.begin, semicolon.end));
        }
        if (kind() != TokenKind::name) {
            fail(Expected::statement);
            return none;
        }
        const std::string_view word = word_of(token());
        for (const Keyword& keyword : keywords) {
            if (keyword.word == word) return (this->*keyword.handler)();
        }
        if (word == "else" || word == "until" || word == "case" || word == "default") {
            fail(Expected::statement);
            return none;
        }
        return simple_statement();
    }

    // The statements (in a switch, the labels too) from the `{` at hand to
    // its `}`; false when they do not close.
    bool braced(bool in_switch, std::vector<std::uint32_t>& items) {
        const Token open = token();
        advance();
        items = list(in_switch);
        if (stopped_) return false;
        if (kind() != TokenKind::close_brace) {
            fail(Expected::closing_brace, placement_.range(open.begin, open.end));
            return false;
        }
        advance();
        return true;
    }

    std::uint32_t block() {
        const std::uint32_t begin = token().begin;
        std::vector<std::uint32_t> items;
        if (!braced(false, items)) return none;
        return add_block(items, span_from(begin));
    }

    // The head of a compound statement: the keyword and its operand.
    std::pair<std::uint32_t, Range> head() {
        const std::uint32_t begin = token().begin;
        advance();
        const std::uint32_t operand = expression();
        return {operand, span_from(begin)};
    }

    std::uint32_t body() {
        skip_line_ends();
        return statement();
    }

    // `if` with its `else`; an `else if` goes on in the same loop, so that a
    // long chain of them nests no deeper.
    std::uint32_t if_statement() {
        std::uint32_t first = none;
        std::uint32_t previous = none;
        for (;;) {
            constructs_.back() = at_;
            const auto [condition, range] = head();
            if (failed_) return none;
            const std::uint32_t then = body();
            if (failed_) return none;
            Stmt stmt;
            stmt.kind = StmtKind::if_then;
            stmt.a = condition;
            stmt.b = then;
            stmt.range = range;
            const std::uint32_t id = add_stmt(stmt);
            if (previous == none) first = id;
            else program_.stmts[previous].c = id;
            previous = id;
            const std::size_t before_else = at_;
            skip_separators();
            if (!at_word("else")) {
                at_ = before_else;
                return first;
            }
            advance();
            skip_line_ends();
            if (at_word("if")) continue;
            const std::uint32_t otherwise = statement();
            if (failed_) return none;
            program_.stmts[previous].c = otherwise;
            return first;
        }
    }

    std::uint32_t loop_statement(StmtKind type) {
        const auto [operand, range] = head();
        if (failed_) return none;
        const std::uint32_t inside = body();
        if (failed_) return none;
        Stmt stmt;
        stmt.kind = type;
        stmt.a = operand;
        stmt.b = inside;
        stmt.range = range;
        return add_stmt(stmt);
    }
    std::uint32_t while_statement() { return loop_statement(StmtKind::while_loop); }
    std::uint32_t repeat_statement() { return loop_statement(StmtKind::repeat_loop); }

    // `do` needs its `until`, which no keyword of the source writes: without
    // it the statement stands, and the text gets the fault that keeps it
    // from running.
    std::uint32_t do_statement() {
        const Token keyword = token();
        advance();
        const std::uint32_t inside = body();
        if (failed_) return none;
        Stmt stmt;
        stmt.kind = StmtKind::do_until;
        stmt.b = inside;
        stmt.range = placement_.range(keyword.begin, keyword.end);
        const std::size_t after_body = at_;
        skip_separators();
        if (at_word("until")) {
            advance();
            stmt.a = expression();
            if (failed_) return none;
            return add_stmt(stmt);
        }
        Fault fault;
        fault.kind = FaultKind::do_without_until;
        fault.range = stmt.range;
        fault.name = "do";
        const Token& found = token();
        fault.at = placement_.range(found.begin, found.kind == TokenKind::end ? found.begin : found.end);
        add_fault(std::move(fault));
        at_ = after_body;
        return add_stmt(stmt);
    }

    std::uint32_t switch_statement() {
        const auto [value, range] = head();
        if (failed_) return none;
        skip_line_ends();
        if (kind() != TokenKind::open_brace) {
            fail(Expected::opening_brace);
            return none;
        }
        std::vector<std::uint32_t> items;
        if (!braced(true, items)) return none;
        Stmt stmt;
        stmt.kind = StmtKind::switch_block;
        stmt.a = value;
        std::tie(stmt.first, stmt.count) = add_list(items);
        stmt.range = range;
        return add_stmt(stmt);
    }

    // `case value:` or `default:`.
    std::uint32_t label(StmtKind type) {
        const Nest nest(*this, Nest::Construct::yes, at_);
        if (!nest.ok()) return none;
        const std::uint32_t begin = token().begin;
        advance();
        Stmt stmt;
        stmt.kind = type;
        if (type == StmtKind::case_label) stmt.a = expression();
        if (failed_) return none;
        if (kind() != TokenKind::colon) {
            fail(Expected::colon);
            return none;
        }
        advance();
        stmt.range = span_from(begin);
        return add_stmt(stmt);
    }

    std::uint32_t word_statement(StmtKind type) {
        const Token keyword = token();
        advance();
        Stmt stmt;
        stmt.kind = type;
        stmt.range = placement_.range(keyword.begin, keyword.end);
        return add_stmt(stmt);
    }
    std::uint32_t break_statement() { return word_statement(StmtKind::break_loop); }
    std::uint32_t continue_statement() { return word_statement(StmtKind::continue_loop); }
    std::uint32_t exit_statement() { return word_statement(StmtKind::exit_text); }

    std::uint32_t return_statement() {
        const auto [value, range] = head();
        if (failed_) return none;
        Stmt stmt;
        stmt.kind = StmtKind::return_value;
        stmt.a = value;
        stmt.range = range;
        return add_stmt(stmt);
    }

    // A call, or an assignment to a variable or an argument slot.
    std::uint32_t simple_statement() {
        const Token target = token();
        const std::size_t target_index = at_;
        advance();
        if (kind() == TokenKind::open_bracket) {
            const std::uint32_t call = call_of(target_index);
            if (failed_) return none;
            Stmt stmt;
            stmt.kind = StmtKind::call;
            stmt.a = call;
            stmt.range = program_.exprs[call].range;
            return add_stmt(stmt);
        }
        const std::optional<Assign> assign = assignment_of(kind());
        const std::string_view word = word_of(target);
        if (!assign || find_host_constant(word)) {
            fail(Expected::assignment);
            return none;
        }
        advance();
        Stmt stmt;
        stmt.kind = StmtKind::assign;
        stmt.assign = *assign;
        if (const auto slot = argument_slot(word)) {
            stmt.target = Target::argument;
            stmt.a = *slot;
        } else {
            stmt.a = symbols_.id(word);
        }
        stmt.b = expression();
        if (failed_) return none;
        stmt.range = span_from(target.begin);
        return add_stmt(stmt);
    }

    // ---- expressions
    std::uint32_t expression() { return chain(Level::compare); }

    std::uint32_t operand(Level level) {
        switch (level) {
        case Level::compare: return chain(Level::sum);
        case Level::sum: return chain(Level::product);
        case Level::product: return unary();
        }
        return none;
    }

    // Operands of one precedence joined left to right.
    std::uint32_t chain(Level level) {
        const std::uint32_t begin = token().begin;
        const std::uint32_t first = operand(level);
        if (failed_) return none;
        std::optional<Operator> op = operator_of(kind(), level);
        if (!op) return first;
        std::vector<Link> links{{first, Operator::add}};
        while (op) {
            advance();
            const std::uint32_t next = operand(level);
            if (failed_) return none;
            links.push_back({next, *op});
            op = operator_of(kind(), level);
        }
        Expr expr;
        expr.kind = ExprKind::chain;
        expr.first = static_cast<std::uint32_t>(program_.links.size());
        expr.count = static_cast<std::uint32_t>(links.size());
        program_.links.insert(program_.links.end(), links.begin(), links.end());
        expr.range = span_from(begin);
        return add_expr(expr);
    }

    std::uint32_t unary() {
        if (kind() != TokenKind::minus && kind() != TokenKind::plus) return primary();
        const Nest nest(*this, Nest::Construct::no, at_);
        if (!nest.ok()) return none;
        const Token sign = token();
        advance();
        const std::uint32_t inner = unary();
        if (failed_ || sign.kind == TokenKind::plus) return inner;
        Expr expr;
        expr.kind = ExprKind::negate;
        expr.a = inner;
        expr.range = span_from(sign.begin);
        return add_expr(expr);
    }

    std::uint32_t primary() {
        const Token here = token();
        switch (here.kind) {
        case TokenKind::number: return number_expr(here);
        case TokenKind::text: return text_expr(here);
        case TokenKind::name: return name_expr(at_);
        case TokenKind::open_bracket: return bracketed();
        default: fail(Expected::value); return none;
        }
    }

    std::uint32_t number_expr(const Token& here) {
        const std::optional<double> value = read_number(word_of(here));
        if (!value) {
            fail(Expected::readable_number);
            return none;
        }
        advance();
        Expr expr;
        expr.kind = ExprKind::number;
        expr.a = static_cast<std::uint32_t>(program_.numbers.size());
        program_.numbers.push_back(*value);
        expr.range = span_from(here.begin);
        return add_expr(expr);
    }

    // The text between the quotes; it remembers where it stands in the host text.
    std::uint32_t text_expr(const Token& here) {
        advance();
        const std::size_t origin = placement_.origin == no_origin ? no_origin : placement_.origin + here.begin + 1;
        Expr expr;
        expr.kind = ExprKind::text;
        expr.a = static_cast<std::uint32_t>(program_.texts.size());
        program_.texts.push_back(Value::of_text(std::string(text_.substr(here.begin + 1, here.end - here.begin - 2)), origin));
        expr.range = span_from(here.begin);
        return add_expr(expr);
    }

    std::uint32_t name_expr(std::size_t index) {
        const Token here = tokens_[index];
        advance();
        if (kind() == TokenKind::open_bracket) return call_of(index);
        const std::string_view word = word_of(here);
        Expr expr;
        expr.range = span_from(here.begin);
        if (const auto constant = find_host_constant(word)) {
            expr.kind = ExprKind::constant;
            expr.a = static_cast<std::uint32_t>(*constant);
        } else if (const auto slot = argument_slot(word)) {
            expr.kind = ExprKind::argument;
            expr.a = *slot;
        } else {
            expr.kind = ExprKind::variable;
            expr.a = symbols_.id(word);
        }
        return add_expr(expr);
    }

    std::uint32_t bracketed() {
        const Nest nest(*this, Nest::Construct::no, at_);
        if (!nest.ok()) return none;
        const Brackets brackets(*this);
        advance();
        const std::uint32_t inner = expression();
        if (failed_) return none;
        if (kind() != TokenKind::close_bracket) {
            fail(Expected::closing_bracket);
            return none;
        }
        advance();
        return inner;
    }

    // The call of the name at `index`, whose `(` is at hand.
    std::uint32_t call_of(std::size_t index) {
        const Nest nest(*this, Nest::Construct::yes, index);
        if (!nest.ok()) return none;
        const Token name = tokens_[index];
        std::vector<std::uint32_t> arguments;
        {
            const Brackets brackets(*this);
            advance();
            if (!arguments_into(arguments)) return none;
        }
        Expr expr;
        const std::string_view word = word_of(name);
        if (const auto function = find_host_function(word)) {
            expr.kind = ExprKind::call;
            expr.a = static_cast<std::uint32_t>(*function);
        } else {
            expr.kind = ExprKind::unknown_call;
            expr.a = static_cast<std::uint32_t>(program_.names.size());
            program_.names.emplace_back(word);
        }
        std::tie(expr.first, expr.count) = add_list(arguments);
        expr.range = span_from(name.begin);
        return add_expr(expr);
    }

    bool arguments_into(std::vector<std::uint32_t>& arguments) {
        if (kind() == TokenKind::close_bracket) {
            advance();
            return true;
        }
        for (;;) {
            arguments.push_back(expression());
            if (failed_) return false;
            if (kind() == TokenKind::close_bracket) {
                advance();
                return true;
            }
            if (kind() != TokenKind::comma) {
                fail(Expected::comma_or_bracket);
                return false;
            }
            advance();
        }
    }

    std::string_view text_;
    std::vector<Token> tokens_;
    Placement placement_;
    Symbols& symbols_;
    std::size_t fault_limit_;
    Program program_;
    std::size_t at_ = 0;
    std::uint32_t last_end_ = 0;
    int brackets_ = 0;
    int depth_ = 0;
    std::vector<std::size_t> constructs_;  // token indices of the statements and calls under way
    bool failed_ = false;                  // a fault is being unwound to the statement's list
    bool stopped_ = false;                 // no more reading: the nesting or fault limit was passed
};

}  // namespace

Program parse(std::string_view text, const Placement& placement, Symbols& symbols, std::size_t fault_limit) {
    if (text.size() >= std::numeric_limits<std::uint32_t>::max()) {
        Program program;
        Fault fault;
        fault.expected = Expected::line_end;
        fault.range = fault.at = placement.range(0, 0);
        program.faults.push_back(fault);
        return program;
    }
    return Parser(text, placement, symbols, fault_limit).run();
}

}  // namespace kelvo::preview
