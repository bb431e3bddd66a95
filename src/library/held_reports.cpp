#include "library/held_reports.h"

#include <algorithm>
#include <utility>

#include "core/messages.h"
#include "core/state.h"

namespace kelvo {

namespace {

constexpr std::string_view unknown_word_code = "unknown-variable";

bool before(SourcePosition a, SourcePosition b) { return a.line < b.line || (a.line == b.line && a.column < b.column); }

// The notes that guess at what an unknown word meant.
bool is_guess(const Report& report) {
    return report.severity == Severity::note &&
           (report.code == note_code(Note::did_you_mean) || report.code == note_code(Note::host_name) ||
            report.code == note_code(Note::block_closer) || report.code == note_code(Note::unsigned_numbers));
}

// The word an unknown-word message echoes: the end of its text.
std::string_view unknown_word(const Report& report) {
    return report.text.substr(report.text.size() - std::min(report.length, report.text.size()));
}

}  // namespace

HeldReports::HeldReports() : target_(state.listener) {
    if (target_ != nullptr) state.reports_listener = this;
}

HeldReports::~HeldReports() { state.reports_listener = nullptr; }

void HeldReports::report(const Report& report) {
    if (!holding_ && report.severity == Severity::error && report.code == unknown_word_code) holding_ = true;
    if (!holding_) return target_->report(report);
    Held held;
    held.report = report;
    held.text.assign(report.text);
    held_.push_back(std::move(held));
}

void HeldReports::argument_count(std::int32_t count, std::size_t line) {
    if (!holding_) return target_->argument_count(count, line);
    Held held;
    held.is_count = true;
    held.count = count;
    held.line = line;
    held_.push_back(std::move(held));
}

void HeldReports::declared(const Declaration& declaration) {
    if (holding_) declarations_.push_back({std::string(declaration.name), declaration.position});
    target_->declared(declaration);
}

// The first declaration of the name after the place where it was used (the
// declarations sorted by name and place).
const HeldReports::Declared* HeldReports::declared_after(std::string_view name, SourcePosition use) const {
    const auto found = std::upper_bound(declarations_.begin(), declarations_.end(), std::pair{name, use},
                                        [](const std::pair<std::string_view, SourcePosition>& key, const Declared& d) {
                                            return key.first != d.name ? key.first < d.name
                                                                       : before(key.second, d.position);
                                        });
    return found != declarations_.end() && found->name == name ? &*found : nullptr;
}

void HeldReports::finish() {
    if (target_ == nullptr) return;
    // No two declarations share a place, so the order is total; std::sort,
    // unlike a stable sort, asks for no buffer that could be refused quietly.
    std::sort(declarations_.begin(), declarations_.end(), [](const Declared& a, const Declared& b) {
        return a.name != b.name ? a.name < b.name : before(a.position, b.position);
    });
    for (std::size_t i = 0; i < held_.size(); ++i) hand_on(i);
    held_.clear();
    declarations_.clear();
    holding_ = false;
}

// Hands on the held item `i`; an unknown word that is declared later takes
// the note that says so instead of the guesses after it, which are passed over.
void HeldReports::hand_on(std::size_t& i) {
    Held& held = held_[i];
    if (held.is_count) return target_->argument_count(held.count, held.line);
    held.report.text = held.text;
    target_->report(held.report);
    if (held.report.code != unknown_word_code) return;
    const std::string_view word = unknown_word(held.report);
    const Declared* later = declared_after(word, held.report.position);
    if (later == nullptr) return;
    while (i + 1 < held_.size() && !held_[i + 1].is_count && is_guess(held_[i + 1].report)) ++i;
    const std::string text = note_text(Note::declared_later, {word, std::to_string(later->position.line)});
    target_->report(Report{Severity::note, note_code(Note::declared_later), text, held.report.position,
                           held.report.length});
}

}  // namespace kelvo
