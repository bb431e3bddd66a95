// Source scripts for the benchmarks, generated from a fixed seed so that every
// machine measures the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo::bench {

// Small, fast and the same everywhere (the standard distributions are not).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // A number in [0, bound).
    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(next() % bound); }

private:
    std::uint64_t state_;
};

inline constexpr std::uint64_t default_seed = 20261208;

// 1: a realistic mixed script of about `bytes` bytes: built-in calls nested two
// or three deep, constants, variables with assignment chains, if/while blocks,
// quoted strings, comments, user script definitions and calls, a few undefined
// names, and some lines joined with `;`.
std::string mixed_script(std::size_t bytes, std::uint64_t seed = default_seed);

// 6: shape 1 without its undefined names and with 1.75 times its
// definitions, short helpers of at most one statement: a run that reports
// nothing, whose result carries about 13,000 definitions (1.1 MB) in front
// of the main code at 50 MB.
std::string defining_script(std::size_t bytes, std::uint64_t seed = default_seed);

// 7: shape 1 where a fifth of the statements name something undefined: two
// messages each, an error text of about half the source.
std::string message_heavy_script(std::size_t bytes, std::uint64_t seed = default_seed);

// 8: shape 1 without its undefined names, with about 13,000 definitions of 5
// to 40 lines each (statements and blocks) at 50 MB, which make up nearly a
// quarter of the source: a run that reports nothing and stores megabytes of bodies.
std::string long_definitions_script(std::size_t bytes, std::uint64_t seed = default_seed);

// 2: one line of about `bytes` bytes without any line feed: the statements of
// a mixed script joined with `;`, about ten bytes a word.
std::string single_line(std::size_t bytes, std::uint64_t seed = default_seed);

// 2b: one line of about `bytes` bytes that is a single term followed by words
// that the run drops unread.
std::string single_term_line(std::size_t bytes);

// 3: `lines` lines, each nested as deep as a line may: 999 one-operand
// keywords and a number.
std::string deepest_lines(std::size_t lines);

// 4: `count` user script definitions with one parameter each (so `count`
// parameter names), then `count` calls.
std::string many_scripts(std::size_t count);

// 5: the small script that is translated again and again; it holds one
// definition and one undefined name, so every run adds one message.
std::string_view small_script();

// Whitespace-separated words, as `wc -w` counts them in the C locale.
std::size_t count_words(std::string_view text);

}  // namespace kelvo::bench
