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

// Where the reports and argument counts of one run go on their way to the
// listener: straight on until the first unknown word, held from there to
// the run's end (finish), in their order.
class HeldReports {
public:
    // A run begins: the reports go to `target` (none: the run has no listener).
    void begin(Listener* target);
    // Once the run is over: hands on what is held, with a note on each
    // unknown word that the file declares later.
    void finish();
    // A run that failed: what is held goes nowhere. Both end the run: the
    // reports go nowhere until the next one begins.
    void drop();
    // A run has begun and has not ended.
    bool in_run() const { return target_ != nullptr; }

    void report(const Report& report);
    // A report whose count of operands is known only later: the reports are
    // held from here on, and `settle` gives it its count.
    void report_to_settle(const Report& report);
    void settle(std::int32_t operands);
    void argument_count(std::int32_t count, std::size_t line);
    // A declared name, while reports are held.
    void declared(std::string_view name, SourcePosition position);

private:
    struct Held {
        bool is_count = false;
        Report report;  // its texts in the strings below
        std::string word;
        std::string name;
        std::string names;
        std::int32_t count = 0;
        std::size_t line = 0;
    };
    struct Declared {
        std::string name;
        SourcePosition position;
    };

    void hand_on(std::size_t& i);
    const Declared* declared_after(std::string_view name, SourcePosition use) const;

    Listener* target_ = nullptr;
    bool holding_ = false;
    static constexpr std::size_t none = static_cast<std::size_t>(-1);
    std::size_t unsettled_ = none;  // the held report still to settle
    std::vector<Held> held_;
    std::vector<Declared> declarations_;  // in the order of the run
};

}  // namespace kelvo
