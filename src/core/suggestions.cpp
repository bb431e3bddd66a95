#include "core/suggestions.h"

#include <algorithm>
#include <array>
#include <cstddef>

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

struct Best {
    std::string_view name;
    std::size_t score = no_match + 1;  // 0: only the case differs; else 1 + edits

    void offer(std::string_view candidate, std::size_t candidate_score) {
        if (candidate_score < score || (candidate_score == score && candidate < name)) {
            name = candidate;
            score = candidate_score;
        }
    }
};

std::string search(std::string_view word) {
    if (word.size() >= 64) return {};
    const std::size_t limit = edits_allowed(word);
    Best best;
    state.names.for_each([&](std::string_view name, const NameEntry& entry) {
        if (name == word || !is_candidate(entry)) return;
        if (same_but_case(name, word)) return best.offer(name, 0);
        const std::size_t edits = edit_distance(name, word, limit);
        if (edits <= limit) best.offer(name, 1 + edits);
    });
    return std::string(best.name);
}

}  // namespace

std::string_view closest_name(std::string_view word) {
    auto& searches = state.run.suggestions.found;
    for (const auto& [searched, meant] : searches)
        if (searched == word) return meant;
    if (word.empty() || searches.size() >= SuggestionSearches::limit) return {};
    searches.emplace_back(word, search(word));
    return searches.back().second;
}

}  // namespace kelvo
