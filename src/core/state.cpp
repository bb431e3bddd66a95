#include "core/state.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace kelvo {

void write_argument_count_to_stdout(std::int32_t count) {
    std::printf("%ld\n", static_cast<long>(count));
    std::fflush(stdout);
}

TranslatorState state{};

namespace {

constexpr std::uint64_t mix_a = 0xbf58476d1ce4e5b9ULL;
constexpr std::uint64_t mix_b = 0x94d049bb133111ebULL;

std::uint64_t load8(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

// All of 1 to 8 bytes in one number without a loop: two overlapping 4-byte
// reads, or the first, middle and last byte. For a given length, different
// bytes give different numbers.
std::uint64_t load_short(const char* p, std::size_t n) {
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

// Byte-for-byte equality; names are short, so this mostly skips the call.
bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    if (a.size() > 8) return std::memcmp(a.data(), b.data(), a.size()) == 0;
    return a.empty() || load_short(a.data(), a.size()) == load_short(b.data(), b.size());
}

}  // namespace

std::uint64_t NameTable::hash(std::string_view name) noexcept {
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

NameTable::NameTable(const NameTable& other) : NameTable() { *this = other; }

NameTable& NameTable::operator=(const NameTable& other) {
    if (this == &other) return *this;
    NameTable copy;
    for (const Bucket& b : other.buckets_) {
        if (b.slot == 0) continue;
        const Slot& from = other.slot(b.slot - 1);
        copy.slot(copy.insert(from.name, b.hash)).entry = from.entry;
    }
    for (const std::uint32_t number : other.run_entries_) {
        const std::string& name = other.slot(number).name;
        const std::size_t b = copy.find_bucket(name, static_cast<std::uint32_t>(hash(name)));
        copy.run_entries_.push_back(copy.buckets_[b].slot - 1);
    }
    *this = std::move(copy);
    return *this;
}

std::size_t NameTable::find_bucket(std::string_view name, std::uint32_t hash) const {
    if (buckets_.empty()) return npos;
    const std::size_t mask = buckets_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Bucket b = buckets_[i];
        if (b.slot == 0) return npos;
        if (b.hash == hash && same_name(slot(b.slot - 1).name, name)) return i;
    }
}

// The new buckets are filled before they replace the old ones, so a growth
// that finds no memory leaves the table as it was.
void NameTable::grow() {
    std::vector<Bucket> grown(buckets_.empty() ? 256 : buckets_.size() * 2, Bucket{});
    const std::size_t mask = grown.size() - 1;
    for (const Bucket b : buckets_) {
        if (b.slot == 0) continue;
        std::size_t i = b.hash & mask;
        while (grown[i].slot != 0) i = (i + 1) & mask;
        grown[i] = b;
    }
    buckets_.swap(grown);
}

// Everything that may fail comes before the first change, so an insertion
// either happens whole or not at all.
std::uint32_t NameTable::insert(std::string_view name, std::uint32_t hash) {
    if ((size_ + 1) * 2 > buckets_.size()) grow();
    if (free_slots_.empty() && (slots_used_ >> chunk_bits) == chunks_.size())
        chunks_.push_back(std::make_unique<Slot[]>(chunk_size));
    std::string owned_name(name);
    // Room for every slot ever handed out, so erase_bucket gives slots back
    // without allocating.
    if (free_slots_.capacity() <= slots_used_) free_slots_.reserve(2 * std::size_t{slots_used_} + 64);
    std::uint32_t number;
    if (!free_slots_.empty()) {
        number = free_slots_.back();
        free_slots_.pop_back();
    } else {
        number = slots_used_++;
    }
    slot(number).name = std::move(owned_name);
    const auto first = name.empty() ? 0u : static_cast<unsigned char>(name[0]);
    shapes_[first] |= std::uint64_t{1} << (name.size() < 63 ? name.size() : 63);
    const std::size_t mask = buckets_.size() - 1;
    std::size_t i = hash & mask;
    while (buckets_[i].slot != 0) i = (i + 1) & mask;
    buckets_[i] = Bucket{hash, number + 1};
    ++size_;
    return number;
}

// Empties a bucket and moves later members of its probe run back, so that
// no lookup needs a marker for removed names.
void NameTable::erase_bucket(std::size_t bucket) {
    const std::size_t mask = buckets_.size() - 1;
    const std::uint32_t number = buckets_[bucket].slot - 1;
    std::size_t hole = bucket;
    for (std::size_t i = (hole + 1) & mask; buckets_[i].slot != 0; i = (i + 1) & mask) {
        const std::size_t home = buckets_[i].hash & mask;
        // The member at i may fill the hole unless its home lies cyclically in (hole, i].
        const bool home_after_hole = ((i - home) & mask) < ((i - hole) & mask);
        if (!home_after_hole) {
            buckets_[hole] = buckets_[i];
            hole = i;
        }
    }
    buckets_[hole] = Bucket{};
    Slot& s = slot(number);
    s.name.clear();
    s.entry = NameEntry{};
    free_slots_.push_back(number);
    --size_;
}

const NameEntry* NameTable::find_hashed(std::string_view name) const {
    const std::size_t b = find_bucket(name, static_cast<std::uint32_t>(hash(name)));
    return b == npos ? nullptr : &slot(buckets_[b].slot - 1).entry;
}

NameEntry& NameTable::entry(std::string_view name) {
    const auto h = static_cast<std::uint32_t>(hash(name));
    const std::size_t b = find_bucket(name, h);
    return slot(b == npos ? insert(name, h) : buckets_[b].slot - 1).entry;
}

NameEntry& NameTable::entry_for_run(std::string_view name) {
    run_entries_.reserve(run_entries_.size() + 1);  // no entry may go untracked
    const auto h = static_cast<std::uint32_t>(hash(name));
    const std::size_t b = find_bucket(name, h);
    const std::uint32_t number = b == npos ? insert(name, h) : buckets_[b].slot - 1;
    NameEntry& e = slot(number).entry;
    if (!e.touched_this_run) {
        run_entries_.push_back(number);
        e.touched_this_run = true;
    }
    return e;
}

void NameTable::reset_run_columns() {
    for (const std::uint32_t number : run_entries_) {
        Slot& s = slot(number);
        NameEntry& e = s.entry;
        e.variable.clear();
        e.parameter = false;
        e.touched_this_run = false;
        if (e.holds_nothing()) erase_bucket(find_bucket(s.name, static_cast<std::uint32_t>(hash(s.name))));
    }
    run_entries_.clear();
}

void NameTable::clear() { *this = NameTable(); }

void reset_run() {
    state.script_text.clear();
    state.script_count = 0;
    state.source_lines.clear();
    state.source_line_numbers.clear();
    state.source_text.clear();
    // The keyword and constant columns are refilled by the registration step
    // from fixed data (host values are applied on top), so they need no
    // emptying; variables and parameter names do.
    state.names.reset_run_columns();
    state.current_line = {};
    state.script_bodies.clear();
    state.parameter_names.clear();
    state.open_definition = OpenDefinition{};
    state.diagnostics.clear();
    state.current_line_number = 0;
    state.term_depth = 0;
    state.line_abandoned = false;
}

void restore_loaded_state() {
    state = TranslatorState{};
}

}  // namespace kelvo
