#include "shapes.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace kelvo::bench {

namespace {

constexpr std::array<std::string_view, 10> constant_words = {
    "true", "false", "pi", "red", "gold", "white", "dark_blue", "c_hour", "lime", "black"};
constexpr std::array<std::string_view, 6> unary_calls = {"abs", "sqrt", "sin", "cos", "round", "floor"};
constexpr std::array<std::string_view, 4> binary_calls = {"lengthdir_x", "lengthdir_y", "min2", "max2"};
constexpr std::array<std::string_view, 5> texts = {
    "\"Score:\"", "\"Game over\"", "\"Level\"", "\"Press any key to go on\"", "\"Lives left:\""};
constexpr std::array<std::string_view, 4> assignment_operators = {"=", "+=", "-=", "*="};
constexpr std::array<std::string_view, 4> arithmetic_operators = {"+", "-", "*", "/"};
constexpr std::size_t variable_count = 64;

// What kind of mixed script a writer writes.
enum class Mix {
    usual,     // a few undefined names among the statements
    one_line,  // joined with `;` instead of line feeds, without comments (which would end the line)
    defining,  // 1.75 times the definitions, of short helpers, and no undefined name: no messages
    messages,  // a fifth of the statements name something undefined
    long_definitions,  // many definitions of 5 to 40 lines, nearly a quarter of the bytes, no undefined name
};

// Writes the lines of a mixed script.
class MixedWriter {
public:
    MixedWriter(std::uint64_t seed, Mix mix, std::string& out)
        : random_(seed),
          mix_(mix),
          one_line_(mix == Mix::one_line),
          out_(out),
          variable_prefix_(one_line_ ? "position_" : "v") {}

    void write(std::size_t bytes) {
        out_.reserve(bytes + 256);
        for (std::size_t i = 0; i < variable_count; ++i) {
            out_ += "var ";
            variable(i);
            out_ += ' ';
            number();
            end_line();
        }
        while (out_.size() < bytes) statement();
    }

private:
    void end_line() {
        if (one_line_)
            out_ += "; ";
        else
            out_ += '\n';
    }
    void indent() {
        if (!one_line_)
            for (int i = 0; i < depth_; ++i) out_ += "    ";
    }
    void variable(std::size_t i) {
        out_ += variable_prefix_;
        out_ += std::to_string(i);
    }
    void number() { out_ += std::to_string(random_.below(1000)); }

    // A value: a number, variable, constant or parameter, or a call nested up
    // to `depth` deep.
    void value(int depth) {
        const std::size_t pick = random_.below(10);
        if (depth > 0 && pick < 3) {
            if (pick == 0) {
                out_ += binary_calls[random_.below(binary_calls.size())];
                out_ += ' ';
                value(depth - 1);
                out_ += ' ';
                value(depth - 1);
            } else {
                out_ += unary_calls[random_.below(unary_calls.size())];
                out_ += ' ';
                value(depth - 1);
            }
        } else if (pick < 6) {
            number();
        } else if (pick < 8) {
            if (in_script_ && random_.below(2) == 0)
                out_ += random_.below(2) == 0 ? "pos" : "limit";
            else
                variable(random_.below(variable_count));
        } else {
            out_ += constant_words[random_.below(constant_words.size())];
        }
    }

    void draw_call() {
        indent();
        switch (random_.below(6)) {
            case 0:
                out_ += "circle ";
                value(2), out_ += ' ', value(2), out_ += ' ', value(3), out_ += " false";
                break;
            case 1:
                out_ += "line ";
                value(1), out_ += ' ', value(1), out_ += ' ', value(3), out_ += ' ', value(2);
                break;
            case 2:
                out_ += "rectangle ";
                value(1), out_ += ' ', value(1), out_ += ' ', value(2), out_ += ' ', value(2), out_ += " true";
                break;
            case 3:
                out_ += "print ";
                value(1), out_ += ' ', value(1), out_ += ' ';
                out_ += texts[random_.below(texts.size())];
                break;
            case 4:
                out_ += "color merge_color ";
                out_ += constant_words[random_.below(constant_words.size())];
                out_ += ' ';
                out_ += constant_words[random_.below(constant_words.size())];
                break;
            default:
                out_ += "point ";
                value(3), out_ += ' ', value(3);
                break;
        }
        trailing_comment();
        end_line();
    }

    void assignment() {
        indent();
        variable(random_.below(variable_count));
        out_ += ' ';
        out_ += assignment_operators[random_.below(assignment_operators.size())];
        out_ += ' ';
        const std::size_t chain = random_.below(3);
        for (std::size_t i = 0; i < chain; ++i) {  // v1 = v2 + v3 - 4 ...
            variable(random_.below(variable_count));
            out_ += ' ';
            out_ += arithmetic_operators[random_.below(arithmetic_operators.size())];
            out_ += ' ';
        }
        value(2);
        trailing_comment();
        end_line();
    }

    void block(std::string_view head) {
        indent();
        out_ += head;
        if (head != "repeat ") {  // if 640 - x: a variable first would take the operator along
            number();
            out_ += random_.below(2) == 0 ? " - " : " + ";
            variable(random_.below(variable_count));
        } else {
            value(1);
        }
        end_line();
        indent();
        out_ += '{';
        end_line();
        ++depth_;
        const std::size_t lines = 1 + random_.below(3);
        for (std::size_t i = 0; i < lines; ++i) simple_statement();
        --depth_;
        indent();
        out_ += '}';
        end_line();
    }

    void comment_line() {
        if (one_line_) return;
        indent();
        out_ += "// keeps the ball inside the room and counts the bounces\n";
    }
    void trailing_comment() {
        if (!one_line_ && random_.below(20) == 0) out_ += "  // adjust";
    }

    void script_call() {
        if (scripts_ == 0) return draw_call();
        indent();
        out_ += 's';
        out_ += std::to_string(random_.below(scripts_));
        out_ += ' ';
        value(1);
        out_ += ' ';
        value(1);
        end_line();
    }

    void definition() {
        out_ += "function s";
        out_ += std::to_string(scripts_++);
        out_ += " 2 pos limit";
        end_line();
        in_script_ = true;
        if (mix_ == Mix::long_definitions) {
            long_body();
        } else {
            // Short helpers where a script defines many: 0 or 1 statement.
            const std::size_t lines = mix_ == Mix::defining ? random_.below(2) : 2 + random_.below(4);
            for (std::size_t i = 0; i < lines; ++i) simple_statement();
        }
        out_ += "return max2 pos limit";
        end_line();
        out_ += "end";
        end_line();
        in_script_ = false;
    }

    // 5 to 40 lines, the `return` included, more often long than short:
    // mostly drawing, some blocks, indented.
    void long_body() {
        const std::size_t lines = 4 + std::max(random_.below(36), random_.below(36));
        ++depth_;
        for (std::size_t written = 0; written < lines;) {
            const std::size_t left = lines - written;
            if (left >= 6 && random_.below(6) == 0) {
                const auto before = static_cast<std::ptrdiff_t>(out_.size());
                block(random_.below(2) == 0 ? "if " : "while ");
                written += static_cast<std::size_t>(std::count(out_.begin() + before, out_.end(), '\n'));
            } else {
                random_.below(8) != 0 ? draw_call() : simple_statement();
                ++written;
            }
        }
        --depth_;
    }

    void undefined_name() {
        indent();
        out_ += "print 0 0 mystery_";
        out_ += std::to_string(random_.below(100));
        end_line();
    }

    void simple_statement() {
        const std::size_t pick = random_.below(10);
        if (pick < 5)
            draw_call();
        else if (pick < 8)
            assignment();
        else
            script_call();
    }

    void statement() {
        const std::size_t pick = random_.below(200);
        if (mix_ == Mix::long_definitions && (pick < 2 || (pick == 2 && random_.below(4) == 0)))
            definition();
        else if (pick == 1 && mix_ == Mix::defining)
            random_.below(4) != 0 ? definition() : simple_statement();
        else if (pick == 0)
            definition();
        else if (pick == 1 || (pick >= 40 && pick < 80 && mix_ == Mix::messages))
            undefined_name();
        else if (pick < 12)
            comment_line();
        else if (pick < 22)
            block("if ");
        else if (pick < 27)
            block("while ");
        else if (pick < 30)
            block("repeat ");
        else if (pick < 40 && !one_line_) {  // two statements on one line
            indent();
            out_ += "print 10 10 \"Score:\"; print 90 10 ";
            variable(random_.below(variable_count));
            out_ += '\n';
        } else
            simple_statement();
    }

    Random random_;
    Mix mix_;
    bool one_line_;
    std::string& out_;
    std::string_view variable_prefix_;
    int depth_ = 0;
    std::size_t scripts_ = 0;
    bool in_script_ = false;
};

std::string written(Mix mix, std::size_t bytes, std::uint64_t seed) {
    std::string out;
    MixedWriter(seed, mix, out).write(bytes);
    return out;
}

}  // namespace

std::string mixed_script(std::size_t bytes, std::uint64_t seed) { return written(Mix::usual, bytes, seed); }

std::string defining_script(std::size_t bytes, std::uint64_t seed) { return written(Mix::defining, bytes, seed); }

std::string message_heavy_script(std::size_t bytes, std::uint64_t seed) { return written(Mix::messages, bytes, seed); }

std::string long_definitions_script(std::size_t bytes, std::uint64_t seed) {
    return written(Mix::long_definitions, bytes, seed);
}

std::string single_line(std::size_t bytes, std::uint64_t seed) { return written(Mix::one_line, bytes, seed); }

std::string single_term_line(std::size_t bytes) {
    std::string out;
    out.reserve(bytes + 16);
    out += "print 10 20 \"first term\"";
    for (std::size_t i = 0; out.size() < bytes; ++i) {
        out += " word";
        out += std::to_string(i % 100000);
    }
    return out;
}

std::string deepest_lines(std::size_t lines) {
    std::string line;
    for (int i = 0; i < 999; ++i) line += "ln ";
    line += "7\n";
    std::string out;
    out.reserve(line.size() * lines);
    for (std::size_t i = 0; i < lines; ++i) out += line;
    return out;
}

std::string many_scripts(std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        out += "function script" + n + " 1 p" + n + "\nreturn sqrt p" + n + "\nend\n";
    }
    for (std::size_t i = 0; i < count; ++i) out += "script" + std::to_string(i) + " " + std::to_string(i) + "\n";
    return out;
}

std::string_view small_script() {
    return "function bounce 2 pos limit\n"
           "var next 0\n"
           "next = next + pos\n"
           "if limit - next\n"
           "{\n"
           "return next\n"
           "}\n"
           "return 0\n"
           "end\n"
           "var x 10\n"
           "var speed 4\n"
           "x += speed\n"
           "x = bounce x 640\n"
           "circle x 20 sqrt 64 false\n"
           "color merge_color red gold\n"
           "print 10 10 \"Bounces:\"; print 90 10 bounces\n";
}

std::size_t count_words(std::string_view text) {
    std::size_t words = 0;
    bool in_word = false;
    for (const char c : text) {
        const bool space = c == ' ' || (c >= '\t' && c <= '\r');
        if (!space && !in_word) ++words;
        in_word = !space;
    }
    return words;
}

}  // namespace kelvo::bench
