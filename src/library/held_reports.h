// The reports of a run with a listener, held back from its first unknown word
// until the run is over: only then is it known whether the file declares the
// word after it used it, which a note tells instead of a guess.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/listener.h"

namespace kelvo {

// Stands in for the listener of the state for one run, if one listens:
// everything but the reports and the argument counts reaches the listener as
// the run tells it; those reach it in their order at finish(). The listener
// is put back on every path.
class HeldReports final : public Listener {
public:
    HeldReports();
    ~HeldReports();
    HeldReports(const HeldReports&) = delete;
    HeldReports& operator=(const HeldReports&) = delete;

    // Once the run is over: hands on what is held, with a note on each
    // unknown word that the file declares later.
    void finish();

    void report(const Report& report) override;
    void argument_count(std::int32_t count, std::size_t line) override;
    void declared(const Declaration& declaration) override;
    void definition_closed(SourcePosition end) override { target_->definition_closed(end); }
    void word(const ResolvedWord& word) override { target_->word(word); }
    void term_begins(std::size_t host) override { target_->term_begins(host); }
    void term_ends(std::size_t host, const KeywordRow* keyword, bool missing, SourcePosition at) override {
        target_->term_ends(host, keyword, missing, at);
    }
    void host_edited(std::size_t offset, std::size_t removed, std::size_t inserted) override {
        target_->host_edited(offset, removed, inserted);
    }
    void line_begins(std::size_t line, std::size_t host, bool in_definition) override {
        target_->line_begins(line, host, in_definition);
    }
    void line_ends(std::size_t host_end, bool abandoned, std::size_t joined_at) override {
        target_->line_ends(host_end, abandoned, joined_at);
    }
    void definition_stored(std::size_t index, std::string_view name, std::size_t prologue,
                           std::size_t body) override {
        target_->definition_stored(index, name, prologue, body);
    }

private:
    struct Held {
        bool is_count = false;
        Report report;  // its text in `text`
        std::string text;
        std::int32_t count = 0;
        std::size_t line = 0;
    };
    struct Declared {
        std::string name;
        SourcePosition position;
    };

    void hand_on(std::size_t& i);
    const Declared* declared_after(std::string_view name, SourcePosition use) const;

    Listener* target_;
    bool holding_ = false;
    std::vector<Held> held_;
    std::vector<Declared> declarations_;  // in the order of the run
};

}  // namespace kelvo
