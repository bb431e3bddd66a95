#include "core/suggestions.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "core/handler.h"
#include "core/name_table.h"
#include "core/state.h"

namespace kelvo {

namespace {

constexpr std::size_t max_edits = 2;
constexpr std::size_t no_match = max_edits + 1;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_but_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// The edit distance of two texts when it is at most `limit`, else
// no_match: one row of the table at a time, only the band of cells within
// `limit` of the diagonal.
std::size_t edit_distance(std::string_view a, std::string_view b, std::size_t limit) {
    if (a.size() > b.size()) std::swap(a, b);
    if (b.size() - a.size() > limit) return no_match;
    std::array<std::size_t, 64> previous{};
    std::array<std::size_t, 64> current{};
    if (a.size() >= previous.size()) return no_match;
    for (std::size_t i = 0; i <= a.size(); ++i) previous[i] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
        current[0] = j;
        std::size_t best = current[0];
        for (std::size_t i = 1; i <= a.size(); ++i) {
            const std::size_t substitute = previous[i - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[i] = std::min({substitute, previous[i] + 1, current[i - 1] + 1});
            best = std::min(best, current[i]);
        }
        if (best > limit) return no_match;
        std::swap(previous, current);
    }
    return previous[a.size()] <= limit ? previous[a.size()] : no_match;
}

// Whether a name stands for something the word could have meant.
bool is_candidate(const NameEntry& entry) {
    return entry.keyword() != nullptr || !entry.constant().empty() || !entry.string_constant().empty() ||
           !entry.variable().empty() || entry.script() >= 0 || (state.in_script && entry.is_parameter());
}

// Short words allow fewer edits: a word must keep more than half of itself.
std::size_t edits_allowed(std::string_view word) { return std::min(max_edits, (word.size() - 1) / 2); }

// Of candidates equally close, the one to prefer: at a line's start a
// keyword, first one that takes as many operands as the line gives.
std::size_t rank(const NameEntry& entry, SuggestionContext context) {
    if (!context.line_start) return 0;
    if (entry.keyword() == nullptr) return 2;
    return entry.keyword()->operands.count == context.operands ? 0 : 1;
}

struct Best {
    std::string_view name;
    std::size_t score = no_match + 1;  // 0: only the case differs; else 1 + edits
    std::size_t rank = 0;

    void offer(std::string_view candidate, std::size_t candidate_score, std::size_t candidate_rank) {
        const bool better = candidate_score != score   ? candidate_score < score
                            : candidate_rank != rank ? candidate_rank < rank
                                                     : candidate < name;
        if (better) {
            name = candidate;
            score = candidate_score;
            rank = candidate_rank;
        }
    }
};

Suggestion search(std::string_view word, SuggestionContext context) {
    Suggestion found{std::string(word), context, {}, {}};
    if (word.size() >= 64) return found;
    const std::size_t limit = edits_allowed(word);
    Best best;
    std::vector<const KeywordRow*> hosts;
    state.names.for_each([&](std::string_view name, const NameEntry& entry) {
        if (entry.keyword() != nullptr && entry.keyword()->host_name == word) hosts.push_back(entry.keyword());
        if (name == word || !is_candidate(entry)) return;
        if (same_but_case(name, word)) return best.offer(name, 0, rank(entry, context));
        const std::size_t edits = edit_distance(name, word, limit);
        if (edits <= limit) best.offer(name, 1 + edits, rank(entry, context));
    });
    found.meant = best.name;
    std::sort(hosts.begin(), hosts.end(),
              [](const KeywordRow* a, const KeywordRow* b) { return a->keyword < b->keyword; });
    for (std::size_t i = 0; i < hosts.size() && i < found.host_of.size(); ++i) found.host_of[i] = hosts[i];
    return found;
}

}  // namespace

const Suggestion* suggestion_for(std::string_view word, SuggestionContext context) {
    auto& searches = state.run.suggestions.found;
    for (const Suggestion& searched : searches) {
        if (searched.word == word && searched.context.line_start == context.line_start &&
            searched.context.operands == context.operands)
            return &searched;
    }
    if (word.empty() || searches.size() >= SuggestionSearches::limit) return nullptr;
    searches.push_back(search(word, context));
    return &searches.back();
}

}  // namespace kelvo
