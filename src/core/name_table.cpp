#include "core/name_table.h"

#include <utility>

namespace kelvo {

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
    // Room for one more before anything changes, so no entry goes unlisted;
    // grown by doubling, as push_back would.
    if (run_entries_.size() == run_entries_.capacity()) run_entries_.reserve(2 * run_entries_.size() + 16);
    const auto h = static_cast<std::uint32_t>(hash(name));
    Bucket* b = find_bucket(name, h);
    Slot& s = b == nullptr ? insert(name, h) : *b->slot;
    if (!s.entry.listed_for_reset_) {
        run_entries_.push_back(s.number);
        s.entry.listed_for_reset_ = true;
    }
    return s.entry;
}

void NameTable::set_global_constant(std::string_view name, std::string_view value) {
    std::string owned(value);
    NameEntry& e = entry(name);
    e.global_constant_ = std::move(owned);
    e.has_global_constant_ = true;
}

void NameTable::set_string_constant(std::string_view name, std::string_view value) {
    std::string owned(value);
    entry(name).string_constant_ = std::move(owned);
}

void NameTable::declare_variable(std::string_view name, std::string_view value) {
    std::string owned(value);
    entry_for_run(name).variable_ = std::move(owned);
}

void NameTable::add_parameter_name(std::string_view name) {
    parameter_names_.emplace_back(name);
    try {
        entry_for_run(name).parameter_ = true;
    } catch (...) {
        parameter_names_.pop_back();
        throw;
    }
}

std::int32_t NameTable::declare_script(std::string_view name, std::int32_t argument_count) {
    NameEntry& e = entry(name);
    if (e.script_ < 0) {
        script_signatures_.push_back({std::string(name), argument_count});
        e.script_ = static_cast<std::int32_t>(script_signatures_.size() - 1);
    }
    return e.script_;
}

void NameTable::note_variable_declaration(std::string_view name, std::int32_t declaration) {
    entry_for_run(name).variable_declaration_ = declaration;
}

void NameTable::note_script_declaration(std::string_view name, std::int32_t declaration) {
    NameEntry& e = entry_for_run(name);
    if (e.script_declaration_ < 0) e.script_declaration_ = declaration;
}

void NameTable::note_parameter(std::string_view name, std::int32_t declaration, std::int32_t index) {
    NameEntry& e = entry_for_run(name);
    e.parameter_declaration_ = declaration;
    e.parameter_index_ = index;
}

void NameTable::forget_script_signatures_from(std::size_t count) noexcept {
    for (std::size_t i = count; i < script_signatures_.size(); ++i) {
        const std::string& name = script_signatures_[i].name;
        Bucket* b = find_bucket(name, static_cast<std::uint32_t>(hash(name)));
        if (b != nullptr && b->slot->entry.script_ >= static_cast<std::int32_t>(count)) b->slot->entry.script_ = -1;
    }
    if (count < script_signatures_.size()) script_signatures_.resize(count);
}

void NameTable::reset_run() {
    for (const std::uint32_t number : run_entries_) {
        Slot& s = slot(number);
        NameEntry& e = s.entry;
        e.variable_.clear();
        e.parameter_ = false;
        e.variable_declaration_ = e.script_declaration_ = e.parameter_declaration_ = e.parameter_index_ = -1;
        e.listed_for_reset_ = false;
        if (e.holds_nothing()) erase_bucket(*find_bucket(s.name, static_cast<std::uint32_t>(hash(s.name))));
    }
    run_entries_.clear();
    parameter_names_.clear();
}

}  // namespace kelvo
