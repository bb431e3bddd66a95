#include "core/held_reports.h"

#include <algorithm>
#include <utility>

namespace kelvo {

namespace {

// The notes that guess at what an unknown word meant.
bool is_guess(const Report& report) {
    switch (report.code) {
        case Code::did_you_mean:
        case Code::host_name:
        case Code::block_closer:
        case Code::unsigned_numbers: return true;
        default: return false;
    }
}

}  // namespace

void HeldReports::begin(Listener* target) {
    drop();
    target_ = target;
}

void HeldReports::drop() {
    held_.clear();
    declarations_.clear();
    holding_ = false;
    unsettled_ = none;
    target_ = nullptr;
}

void HeldReports::report(const Report& report) {
    if (!holding_ && report.code == Code::unknown_variable) holding_ = true;
    if (!holding_) return target_->report(report);
    Held held;
    held.report = report;
    held.word.assign(report.word);
    held.name.assign(report.name);
    held.names.assign(report.names);
    held_.push_back(std::move(held));
}

void HeldReports::report_to_settle(const Report& report) {
    holding_ = true;
    this->report(report);
    unsettled_ = held_.size() - 1;
}

void HeldReports::settle(std::int32_t operands) {
    if (unsettled_ == none) return;
    held_[unsettled_].report.operands = operands;
    unsettled_ = none;
}

void HeldReports::argument_count(std::int32_t count, std::size_t line) {
    if (!holding_) return target_->argument_count(count, line);
    Held held;
    held.is_count = true;
    held.count = count;
    held.line = line;
    held_.push_back(std::move(held));
}

void HeldReports::declared(std::string_view name, SourcePosition position) {
    if (holding_) declarations_.push_back({std::string(name), position});
}

// The first declaration of the name after the place where it was used (the
// declarations sorted by name and place).
const HeldReports::Declared* HeldReports::declared_after(std::string_view name, SourcePosition use) const {
    const auto found = std::upper_bound(declarations_.begin(), declarations_.end(), std::pair{name, use},
                                        [](const std::pair<std::string_view, SourcePosition>& key, const Declared& d) {
                                            return key.first != d.name ? key.first < d.name : key.second < d.position;
                                        });
    return found != declarations_.end() && found->name == name ? &*found : nullptr;
}

void HeldReports::finish() {
    if (target_ == nullptr) return;
    // No two declarations share a place, so the order is total; std::sort,
    // unlike a stable sort, asks for no buffer that could be refused quietly.
    std::sort(declarations_.begin(), declarations_.end(), [](const Declared& a, const Declared& b) {
        return a.name != b.name ? a.name < b.name : a.position < b.position;
    });
    for (std::size_t i = 0; i < held_.size(); ++i) hand_on(i);
    drop();
}

// Hands on the held item `i`; an unknown word that is declared later takes
// the note that says so instead of the guesses after it, which are passed over.
void HeldReports::hand_on(std::size_t& i) {
    Held& held = held_[i];
    if (held.is_count) return target_->argument_count(held.count, held.line);
    held.report.word = held.word;
    held.report.name = held.name;
    held.report.names = held.names;
    target_->report(held.report);
    if (held.report.code != Code::unknown_variable) return;
    const Declared* later = declared_after(held.word, held.report.span.begin);
    if (later == nullptr) return;
    while (i + 1 < held_.size() && !held_[i + 1].is_count && is_guess(held_[i + 1].report)) ++i;
    Report note;
    note.code = Code::declared_later;
    note.span = held.report.span;
    note.word = held.word;
    note.line = later->position.line;
    target_->report(note);
}

}  // namespace kelvo
