#include "core/explanations.h"

#include <algorithm>
#include <array>
#include <string>

#include "core/handler.h"
#include "core/messages.h"
#include "core/state.h"
#include "core/suggestions.h"
#include "core/word_cursor.h"

namespace kelvo {

namespace {

// `-1`, `+2`, `3.5`, `.5`: a number with a sign or a decimal point.
bool is_signed_or_decimal(std::string_view word) {
    bool digits = false;
    bool point = false;
    if (!word.empty() && (word[0] == '-' || word[0] == '+')) word.remove_prefix(1);
    for (const char c : word) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
        } else {
            return false;
        }
    }
    return digits;
}

// How other languages close a block.
bool is_block_closer(std::string_view word) {
    constexpr std::array<std::string_view, 12> closers = {"endif",  "endwhile", "endfor", "endforeach",
                                                          "endswitch", "endrepeat", "endloop", "endselect",
                                                          "fi",     "done",     "esac",   "wend"};
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::any_of(closers.begin(), closers.end(), [&](std::string_view closer) {
        return closer.size() == word.size() &&
               std::equal(word.begin(), word.end(), closer.begin(), [&](char a, char b) { return lower(a) == b; });
    });
}

// The words left on the line, a quoted string counting as one.
std::int32_t words_after(std::string_view line) {
    std::int32_t count = 0;
    for (std::size_t i = 0; i < line.size();) {
        if (is_whitespace(line[i])) {
            ++i;
            continue;
        }
        ++count;
        if (line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            i = close == std::string_view::npos ? line.size() : close + 1;
        }
        while (i < line.size() && !is_whitespace(line[i])) ++i;
    }
    return count;
}

// The note after an unknown word, for a listening tool: what it may have
// meant. (A name declared later in the file is told once the run is over.)
// The operand names of a script declared in this run, or empty.
std::string parameter_names(std::int32_t signature) {
    std::string names;
    const auto& known = state.run.script_parameters;
    if (signature < 0 || static_cast<std::size_t>(signature) >= known.size()) return names;
    const ScriptParameters& script = known[static_cast<std::size_t>(signature)];
    if (script.signature != signature) return names;
    for (std::int32_t i = 0; i < script.count; ++i) {
        if (i > 0) names += ' ';
        names += state.names.parameter_name(script.first + static_cast<std::size_t>(i));
    }
    return names;
}

// The line of the `var` that gave `name` an empty value, or 0.
std::size_t declared_empty(std::string_view name) {
    const auto& declared = state.run.empty_declarations;
    for (auto i = declared.rbegin(); i != declared.rend(); ++i)
        if (i->first == name) return i->second;
    return 0;
}

}  // namespace

void explain_unknown(std::string_view word) {
    if (!listening()) return;
    Report facts;
    facts.word = word;
    if (word == "\"\"") return tell(Code::empty_text, word, facts);
    if (is_signed_or_decimal(word)) return tell(Code::unsigned_numbers, word, facts);
    if (is_block_closer(word)) return tell(Code::block_closer, word, facts);
    if (const std::size_t line = declared_empty(word); line != 0) {
        facts.line = line;
        return tell(Code::declared_without_value, word, facts);
    }
    if (is_operator(peek_word())) return tell(Code::declare_first, word, facts);
    SuggestionContext context;
    if (state.run.term_depth == 1) context = {true, words_after(state.current_line)};
    const Suggestion* found = suggestion_for(word, context);
    if (found == nullptr) return;
    if (found->host_of[0] != nullptr) {
        facts.keyword = found->host_of[0];
        facts.other_keyword = found->host_of[1];
        return tell(Code::host_name, word, facts);
    }
    facts.name = found->meant;
    if (!found->meant.empty()) tell(Code::did_you_mean, word, facts);
}

void explain_missing_operands(std::string_view called, const KeywordRow* keyword, std::int32_t signature,
                              std::int32_t given) {
    if (!listening()) return;
    std::int32_t count = 0;
    std::string names;
    if (const KeywordRow* row = keyword; row != nullptr && row->kind != KeywordKind::declaration) {
        count = row->operands.count;
        for (std::int32_t i = 0; i < count; ++i) {
            if (i > 0) names += ' ';
            names += row->operands[static_cast<std::size_t>(i)];
        }
    } else if (signature >= 0) {
        count = state.names.script_signature(signature).argument_count;
        names = parameter_names(signature);
    }
    if (count == 0) return;
    Report facts;
    facts.word = called;
    facts.keyword = keyword;
    facts.operands = count;
    facts.given = given;
    facts.names = names;
    tell(Code::missing_operands, called, facts);
}

}  // namespace kelvo
