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

// Takes the reports, argument counts and declarations of one run, if a
// listener listens (everything else the run tells reaches the listener
// straight): the declarations reach the listener as the run tells them, the
// reports and counts in their order at finish(). Gone on every path.
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
