// The one translator state of the library, and the table of names through
// which a word is resolved with a single lookup.
#pragma once

#include <cstddef>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvo {

struct KeywordRow;

struct ScriptSignature {
    std::string name;
    std::int32_t argument_count = 0;
};

struct ScriptBody {
    std::string name;
    std::string body;
};

// Everything the translator knows about one name. The columns are the
// keyword table (`handlers`), the constants, the string constants, the
// variables, the script signatures and the parameter names: keeping them side
// by side lets `translate_term` resolve a word with one lookup and then apply
// the precedence of its chain to the columns.
struct NameEntry {
    // The fields that every lookup may test come first, so that together with
    // the name they share one cache line.
    const KeywordRow* keyword = nullptr;   // re-registered by every run
    std::string_view builtin_constant;     // re-registered by every run
    std::int32_t script = -1;              // first ScriptSignature of this name; survives runs
    bool has_host_constant = false;        // a host value, even an empty one, replaces the built-in text
    bool parameter = false;                // a parameter name of this run
    bool touched_this_run = false;         // listed in NameTable::run_entries_
    std::string variable;                  // `var`; emptied by the run reset
    std::string string_constant;           // Parser_add_global_arg_string; survives runs
    std::string host_constant;             // Parser_add_global_arg_real; survives runs

    std::string_view constant() const {
        return has_host_constant ? std::string_view(host_constant) : builtin_constant;
    }
    bool holds_nothing() const {
        return keyword == nullptr && builtin_constant.empty() && !has_host_constant &&
               string_constant.empty() && variable.empty() && script < 0 && !parameter;
    }
};

// An open-addressing hash table: the buckets hold a hash and the number of a
// slot, the slots (in chunks that never move, so an entry stays where it is
// while other names come and go) hold the names and their entries. A lookup
// costs one cheap hash of the word and, in the common case, one comparison.
class NameTable {
public:
    NameTable() = default;
    NameTable(const NameTable& other);
    NameTable& operator=(const NameTable& other);
    NameTable(NameTable&&) noexcept = default;
    NameTable& operator=(NameTable&&) noexcept = default;
    ~NameTable() = default;

    // The entry of a name, or null. Never inserts. Most words that name
    // nothing (numbers, operator words) are told apart by their first byte
    // and length alone, without hashing. Inline: every word comes here.
    const NameEntry* find(std::string_view name) const {
        if (!may_hold(name)) return nullptr;
        const Bucket* b = find_bucket(name, static_cast<std::uint32_t>(hash(name)));
        return b == nullptr ? nullptr : &b->slot->entry;
    }
    // The entry of a name, created empty when missing.
    NameEntry& entry(std::string_view name);
    // The entry of a name whose run-scoped columns (variable, parameter) are
    // about to be set: the run reset clears those columns again.
    NameEntry& entry_for_run(std::string_view name);
    // Clears the run-scoped columns and drops entries left with nothing.
    void reset_run_columns();
    void clear();
    std::size_t size() const { return size_; }

    // The hash of a name (exposed for tests of the table's spread).
    static std::uint64_t hash(std::string_view name) noexcept {
        constexpr std::uint64_t mix_a = 0xbf58476d1ce4e5b9ULL;
        constexpr std::uint64_t mix_b = 0x94d049bb133111ebULL;
        const char* p = name.data();
        const std::size_t n = name.size();
        std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ (n * mix_b);
        if (n > 8) {
            const auto load8 = [](const char* at) {
                std::uint64_t word;
                std::memcpy(&word, at, 8);
                return word;
            };
            std::size_t i = 0;
            for (; i + 8 < n; i += 8) {
                h = (h ^ load8(p + i)) * mix_a;
                h ^= h >> 31;
            }
            h = (h ^ load8(p + n - 8)) * mix_b;  // the last 8 bytes, overlapping
        } else if (n > 0) {
            h = (h ^ load_short(p, n)) * mix_b;
        }
        h ^= h >> 32;
        h *= mix_a;
        h ^= h >> 29;
        return h;
    }

private:
    // A cache line holds the name and every field a keyword or constant
    // lookup reads.
    struct alignas(64) Slot {
        std::string name;
        NameEntry entry;
        std::uint32_t number = 0;  // place among all slots (run_entries_, free_slots_)
    };
    // A bucket leads straight to its slot, and tells the name's hash and
    // length, so a lookup looks at no other name's bytes.
    struct Bucket {
        Slot* slot = nullptr;  // null marks an empty bucket
        std::uint32_t hash = 0;
        std::uint32_t length = 0;  // the low 32 bits of the name's length
    };
    static constexpr std::size_t chunk_bits = 8;
    static constexpr std::size_t chunk_size = std::size_t{1} << chunk_bits;

    // False only when no name of this first byte and length was ever put in:
    // then the name is surely absent.
    bool may_hold(std::string_view name) const {
        const auto first = name.empty() ? 0u : static_cast<unsigned char>(name[0]);
        return (shapes_[first] >> (name.size() < 63 ? name.size() : 63) & 1u) != 0;
    }
    Slot& slot(std::uint32_t number) { return chunks_[number >> chunk_bits][number & (chunk_size - 1)]; }
    const Slot& slot(std::uint32_t number) const {
        return chunks_[number >> chunk_bits][number & (chunk_size - 1)];
    }
    // The bucket that holds the name, or null.
    const Bucket* find_bucket(std::string_view name, std::uint32_t hash) const {
        if (buckets_.empty()) return nullptr;
        const std::size_t mask = buckets_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Bucket& b = buckets_[i];
            if (b.slot == nullptr) return nullptr;
            if (b.hash == hash && b.length == static_cast<std::uint32_t>(name.size()) &&
                b.slot->name.size() == name.size() && same_bytes(b.slot->name.data(), name))
                return &b;
        }
    }
    Bucket* find_bucket(std::string_view name, std::uint32_t hash) {
        return const_cast<Bucket*>(std::as_const(*this).find_bucket(name, hash));
    }
    // The bytes of a name against those of a stored name of the same length.
    static bool same_bytes(const char* stored, std::string_view name) {
        const std::size_t n = name.size();
        if (n > 8) return std::memcmp(stored, name.data(), n) == 0;
        return n == 0 || load_short(stored, n) == load_short(name.data(), n);
    }
    // All of 1 to 8 bytes in one number without a loop: two overlapping
    // 4-byte reads, or the first, middle and last byte. For a given length,
    // different bytes give different numbers.
    static std::uint64_t load_short(const char* p, std::size_t n) {
        if (n >= 4) {
            std::uint32_t head;
            std::uint32_t tail;
            std::memcpy(&head, p, 4);
            std::memcpy(&tail, p + n - 4, 4);
            return (std::uint64_t{head} << 32) | tail;
        }
        const auto byte = [p](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])}; };
        return (byte(0) << 16) | (byte(n >> 1) << 8) | byte(n - 1);
    }
    Slot& insert(std::string_view name, std::uint32_t hash);
    void erase_bucket(Bucket& bucket);
    void grow();

    std::vector<Bucket> buckets_;  // a power of two long, at most half full
    std::vector<std::unique_ptr<Slot[]>> chunks_;
    std::uint32_t slots_used_ = 0;                 // slots ever handed out
    std::vector<std::uint32_t> free_slots_;        // handed out and given back
    std::size_t size_ = 0;
    std::vector<std::uint32_t> run_entries_;       // slot numbers
    std::array<std::uint64_t, 256> shapes_{};      // per first byte: a bit per length (63: longer)
};

// The definition that the latest `function` line of the run opened: the
// signature its name calls (if it declared one), its own argument count and
// where its parameter names begin.
struct OpenDefinition {
    std::int32_t own_signature = -1;
    std::int32_t argument_count = 0;
    std::size_t first_parameter = 0;
};

// Where a message was reported: the physical line of the source on which the
// translated line began (0 outside any line), and the message's place in
// `error_text`.
struct Diagnostic {
    std::size_t line = 0;
    std::size_t offset = 0;
    std::size_t length = 0;
};

using ArgumentCountSink = void (*)(std::int32_t count);

// Writes a closed definition's argument count and a line end to standard
// output, flushed: what `end` does unless a tool redirects it.
void write_argument_count_to_stdout(std::int32_t count);

struct TranslatorState {
    std::int32_t script_count = 0;
    bool in_script = false;
    std::vector<ScriptSignature> script_signatures;  // the first declared under each name
    std::vector<std::string_view> source_lines;  // views into source_text
    NameTable names;  // handlers, constants, string_constants, variables, signatures, parameter_names
    std::vector<ScriptBody> script_bodies;       // key k is index k
    std::vector<std::string> parameter_names;
    std::string_view current_line;
    std::string error_text;
    std::string script_text;
    std::string current_script_name;
    std::string_view quoted_text;

    // The run's source after the reading rules; source_lines point into it.
    // A run that reads its file piece by piece keeps only the current piece here.
    std::string source_text;
    std::vector<std::size_t> source_line_numbers;  // physical line where each source line began
    // The result of the last run: the text Parser returns.
    std::string result;
    // Host text of the line being translated, before it goes to its destination.
    std::string line_text;
    OpenDefinition open_definition;
    std::vector<Diagnostic> diagnostics;  // messages of the current run
    std::size_t current_line_number = 0;
    int term_depth = 0;           // active translate_term calls for the line
    bool line_abandoned = false;  // the nesting limit gave up on the line
    ArgumentCountSink argument_count_sink = write_argument_count_to_stdout;
};

extern TranslatorState state;

// The run reset: empties the per-run fields; the others survive.
void reset_run();

// Restores the state the library has right after loading (tests only).
void restore_loaded_state();

}  // namespace kelvo
