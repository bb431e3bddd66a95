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

NameTable::NameTable(const NameTable& other) : NameTable() { *this = other; }

NameTable& NameTable::operator=(const NameTable& other) {
    if (this == &other) return *this;
    NameTable copy;
    for (const Bucket& b : other.buckets_) {
        if (b.slot == nullptr) continue;
        copy.insert(b.slot->name, b.hash).entry = b.slot->entry;
    }
    for (const std::uint32_t number : other.run_entries_) {
        const std::string& name = other.slot(number).name;
        copy.run_entries_.push_back(copy.find_bucket(name, static_cast<std::uint32_t>(hash(name)))->slot->number);
    }
    *this = std::move(copy);
    return *this;
}

// The new buckets are filled before they replace the old ones, so a growth
// that finds no memory leaves the table as it was.
void NameTable::grow() {
    std::vector<Bucket> grown(buckets_.empty() ? 256 : buckets_.size() * 2, Bucket{});
    const std::size_t mask = grown.size() - 1;
    for (const Bucket& b : buckets_) {
        if (b.slot == nullptr) continue;
        std::size_t i = b.hash & mask;
        while (grown[i].slot != nullptr) i = (i + 1) & mask;
        grown[i] = b;
    }
    buckets_.swap(grown);
}

// Everything that may fail comes before the first change, so an insertion
// either happens whole or not at all.
NameTable::Slot& NameTable::insert(std::string_view name, std::uint32_t hash) {
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
    Slot& s = slot(number);
    s.name = std::move(owned_name);
    s.number = number;
    const auto first = name.empty() ? 0u : static_cast<unsigned char>(name[0]);
    shapes_[first] |= std::uint64_t{1} << (name.size() < 63 ? name.size() : 63);
    const std::size_t mask = buckets_.size() - 1;
    std::size_t i = hash & mask;
    while (buckets_[i].slot != nullptr) i = (i + 1) & mask;
    buckets_[i] = Bucket{&s, hash, static_cast<std::uint32_t>(name.size())};
    ++size_;
    return s;
}

// Empties a bucket and moves later members of its probe run back, so that
// no lookup needs a marker for removed names.
void NameTable::erase_bucket(Bucket& bucket) {
    const std::size_t mask = buckets_.size() - 1;
    Slot& s = *bucket.slot;
    std::size_t hole = static_cast<std::size_t>(&bucket - buckets_.data());
    for (std::size_t i = (hole + 1) & mask; buckets_[i].slot != nullptr; i = (i + 1) & mask) {
        const std::size_t home = buckets_[i].hash & mask;
        // The member at i may fill the hole unless its home lies cyclically in (hole, i].
        const bool home_after_hole = ((i - home) & mask) < ((i - hole) & mask);
        if (!home_after_hole) {
            buckets_[hole] = buckets_[i];
            hole = i;
        }
    }
    buckets_[hole] = Bucket{};
    s.name.clear();
    s.entry = NameEntry{};
    free_slots_.push_back(s.number);
    --size_;
}

NameEntry& NameTable::entry(std::string_view name) {
    const auto h = static_cast<std::uint32_t>(hash(name));
    Bucket* b = find_bucket(name, h);
    return b == nullptr ? insert(name, h).entry : b->slot->entry;
}

NameEntry& NameTable::entry_for_run(std::string_view name) {
    // Room for one more before anything changes, so no entry goes untracked;
    // grown by doubling, as push_back would.
    if (run_entries_.size() == run_entries_.capacity()) run_entries_.reserve(2 * run_entries_.size() + 16);
    const auto h = static_cast<std::uint32_t>(hash(name));
    Bucket* b = find_bucket(name, h);
    Slot& s = b == nullptr ? insert(name, h) : *b->slot;
    if (!s.entry.touched_this_run) {
        run_entries_.push_back(s.number);
        s.entry.touched_this_run = true;
    }
    return s.entry;
}

void NameTable::reset_run_columns() {
    for (const std::uint32_t number : run_entries_) {
        Slot& s = slot(number);
        NameEntry& e = s.entry;
        e.variable.clear();
        e.parameter = false;
        e.touched_this_run = false;
        if (e.holds_nothing()) erase_bucket(*find_bucket(s.name, static_cast<std::uint32_t>(hash(s.name))));
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
