// Shared helpers: every test starts from the state of a freshly loaded library.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/listener.h"

namespace kelvo::test {

// Listens to a run as the tool does: keeps every report and the argument
// counts that `end` would write to standard output.
class Recorder final : public Listener {
public:
    struct Message {
        Severity severity;
        std::string text;
        SourcePosition position;
        std::size_t length = 0;
        Code code = Code::internal_error;
    };
    void report(const Report& report) override {
        messages.push_back({report.severity(), report_text(report), report.position(), report.length(), report.code});
    }
    void argument_count(std::int32_t count, std::size_t) override { counts.push_back(count); }

    std::vector<Message> messages;
    std::vector<std::int32_t> counts;
};

// A listener that drops everything: `end` then writes nothing to standard
// output.
class Silent final : public Listener {
public:
    void report(const Report&) override {}
    void argument_count(std::int32_t, std::size_t) override {}
};
inline Silent silent;

// What `run` writes to file descriptor 1 (where `end` writes its argument
// counts when nothing listens). Should the descriptor not be redirected, the
// test fails and `run` still runs.
std::string captured_standard_output(const std::function<void()>& run);

class TranslatorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // One run over the source text; returns the result.
    std::string translate(std::string_view source);
    // The messages reported since the last call of errors() (or the start).
    std::string errors();
    // Translates one line and returns its text without the line feed.
    std::string term(std::string_view line);

    // What the runs told the listener; `counts` are the argument counts that
    // `end` wrote, in order.
    Recorder recorder;
    std::vector<std::int32_t>& counts = recorder.counts;

private:
    std::size_t errors_seen_ = 0;
};

}  // namespace kelvo::test
