// The table of names through which a word is resolved with a single lookup:
// the keywords, constants, string constants, variables, script signatures and
// parameter names of the translator state, side by side in one entry per name.
#pragma once

#include <array>
#include <cstddef>
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

// Everything the translator knows about one name. Read through the accessors;
// only the operations of NameTable write, so the bookkeeping of the run reset
// goes with every write of a per-run column.
class NameEntry {
public:
    const KeywordRow* keyword() const { return keyword_; }
    // A value the host gave, even an empty one, replaces the built-in text.
    std::string_view constant() const {
        return has_global_constant_ ? std::string_view(global_constant_) : builtin_constant_;
    }
    bool is_global_constant() const { return has_global_constant_; }
    std::string_view string_constant() const { return string_constant_; }
    std::string_view variable() const { return variable_; }
    bool is_parameter() const { return parameter_; }
    // The first signature declared under the name, or -1.
    std::int32_t script() const { return script_; }
    // For a listening tool: the declaration of this run (in the order the run
    // tells them) that the name is as a variable, as a script, and as a
    // parameter (the latest definition's, with its index there); -1: none.
    std::int32_t variable_declaration() const { return variable_declaration_; }
    std::int32_t script_declaration() const { return script_declaration_; }
    std::int32_t parameter_declaration() const { return parameter_declaration_; }
    std::int32_t parameter_index() const { return parameter_index_; }

private:
    friend class NameTable;
    bool holds_nothing() const {
        return keyword_ == nullptr && builtin_constant_.empty() && !has_global_constant_ &&
               string_constant_.empty() && variable_.empty() && script_ < 0 && !parameter_;
    }

    // The fields that every lookup may test come first, so that together with
    // the name they share one cache line.
    const KeywordRow* keyword_ = nullptr;  // bound again by every run
    std::string_view builtin_constant_;    // bound again by every run
    std::int32_t script_ = -1;             // survives runs
    bool has_global_constant_ = false;
    bool parameter_ = false;               // this run's
    bool listed_for_reset_ = false;        // in NameTable::run_entries_
    std::string variable_;                 // this run's
    std::string string_constant_;          // survives runs
    std::string global_constant_;          // survives runs
    std::int32_t variable_declaration_ = -1;   // this run's
    std::int32_t script_declaration_ = -1;     // this run's
    std::int32_t parameter_declaration_ = -1;  // this run's
    std::int32_t parameter_index_ = -1;        // this run's
};

// An open-addressing hash table: the buckets hold a hash and the slot of a
// name, the slots (in chunks that never move, so an entry stays where it is
// while other names come and go) hold the names and their entries. A lookup
// costs one cheap hash of the word and, in the common case, one comparison.
class NameTable {
public:
    NameTable() = default;
    NameTable(const NameTable&) = delete;
    NameTable& operator=(const NameTable&) = delete;
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

    // Keywords and built-in constants: fixed data, bound by every run.
    void bind_keyword(std::string_view keyword, const KeywordRow& row) { entry(keyword).keyword_ = &row; }
    void bind_constant(std::string_view name, std::string_view text) { entry(name).builtin_constant_ = text; }

    // Global arguments of the host: they survive runs; an empty value
    // undefines the name.
    void set_global_constant(std::string_view name, std::string_view value);
    void set_string_constant(std::string_view name, std::string_view value);

    // Variables and parameter names last one run.
    void declare_variable(std::string_view name, std::string_view value);
    void add_parameter_name(std::string_view name);
    std::size_t parameter_name_count() const { return parameter_names_.size(); }
    const std::string& parameter_name(std::size_t index) const { return parameter_names_[index]; }

    // Script signatures survive runs. Only the first signature of a name is
    // ever called, so a later one under a taken name is not kept: declaring
    // returns the index of the signature that the name calls.
    std::int32_t declare_script(std::string_view name, std::int32_t argument_count);
    const ScriptSignature& script_signature(std::int32_t index) const {
        return script_signatures_[static_cast<std::size_t>(index)];
    }
    std::size_t script_signature_count() const { return script_signatures_.size(); }
    // Forgets the signatures from `count` on (a failed run gives back its own).
    void forget_script_signatures_from(std::size_t count) noexcept;

    // For a listening tool: a declaration of this run that the name is (a
    // script: the first for its signature).
    void note_variable_declaration(std::string_view name, std::int32_t declaration);
    void note_script_declaration(std::string_view name, std::int32_t declaration);
    void note_parameter(std::string_view name, std::int32_t declaration, std::int32_t index);

    // The run reset: empties the variables and the parameter names.
    void reset_run();

    std::size_t size() const { return size_; }

    // Calls visit(name, entry) for every name (for suggestions; no run
    // depends on the order).
    template <typename Visit>
    void for_each(Visit&& visit) const {
        for (const Bucket& b : buckets_)
            if (b.slot != nullptr) visit(std::string_view(b.slot->name), b.slot->entry);
    }

    // The hash of a name (exposed for tests of the table's spread).
    static std::uint64_t hash(std::string_view name) noexcept {
        constexpr std::uint64_t mix_a = 0xbf58476d1ce4e5b9ULL;
        constexpr std::uint64_t mix_b = 0x94d049bb133111ebULL;
        const char* p = name.data();
        const std::size_t n = name.size();
        std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ (n * mix_b);
        if (n > 8) {
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

    static std::uint64_t load8(const char* at) {
        std::uint64_t word;
        std::memcpy(&word, at, 8);
        return word;
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
    // The bytes of a name against those of a stored name of the same length.
    static bool same_bytes(const char* stored, std::string_view name) {
        const std::size_t n = name.size();
        if (n > 8) return std::memcmp(stored, name.data(), n) == 0;
        return n == 0 || load_short(stored, n) == load_short(name.data(), n);
    }
    // False only when no name of this first byte and length was ever put in:
    // then the name is surely absent.
    bool may_hold(std::string_view name) const {
        const auto first = name.empty() ? 0u : static_cast<unsigned char>(name[0]);
        return (shapes_[first] >> (name.size() < 63 ? name.size() : 63) & 1u) != 0;
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
    Slot& slot(std::uint32_t number) { return chunks_[number >> chunk_bits][number & (chunk_size - 1)]; }

    // The entry of a name, created empty when missing.
    NameEntry& entry(std::string_view name);
    // The same for a name whose per-run columns are about to be written: it is
    // listed for the run reset.
    NameEntry& entry_for_run(std::string_view name);
    Slot& insert(std::string_view name, std::uint32_t hash);
    void erase_bucket(Bucket& bucket);
    void grow();

    std::vector<Bucket> buckets_;  // a power of two long, at most half full
    std::vector<std::unique_ptr<Slot[]>> chunks_;
    std::uint32_t slots_used_ = 0;           // slots ever handed out
    std::vector<std::uint32_t> free_slots_;  // handed out and given back
    std::size_t size_ = 0;
    std::vector<std::uint32_t> run_entries_;   // slot numbers of the names this run wrote
    std::array<std::uint64_t, 256> shapes_{};  // per first byte: a bit per length (63: longer)
    std::vector<ScriptSignature> script_signatures_;
    std::vector<std::string> parameter_names_;
};

}  // namespace kelvo
