#include "core/stored_definitions.h"

#include <algorithm>
#include <cstring>

namespace kelvo {

namespace {

void put(char*& out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    out += text.size();
}

// Room costs memory when the definitions stop coming before it is filled,
// and moving the main code costs time. How much to make beyond the `need`
// bytes of the definitions so far, `taken` bytes of the `total` read
// (`total` 0: not known), `since_first` of them since the first definition
// waited:
// - what the definitions so far project for the rest of the source, at the
//   rate since the first of them (the part before it may hold none), and a
//   sixteenth more;
// - at most as much as the main code so far (a projection from the first
//   lines is rough, and moving little main code costs little), or a quarter
//   of the need;
// - no more than leaves room in the result's reserve for the main code still
//   to come;
// - but at least an eighth of the need, so that the room grows at a rate.
std::size_t room_beyond(std::size_t need, std::size_t main_size, std::size_t taken, std::size_t total,
                        std::size_t since_first, std::size_t capacity) {
    const double needed = static_cast<double>(need);
    const double main_code = static_cast<double>(main_size);
    double more = needed;
    double main_to_come = main_code;
    if (taken > 0 && taken < total) {
        const auto left = static_cast<double>(total - taken);
        more = needed * left / static_cast<double>(std::max<std::size_t>(since_first, 1)) * 1.0625;
        main_to_come = main_code * left / static_cast<double>(taken);
    }
    more = std::min(more, std::max(main_code, needed / 4));
    more = std::min(more, static_cast<double>(capacity) - needed - main_code - main_to_come);
    more = std::max({more, needed / 8, 4096.0});
    return static_cast<std::size_t>(more);
}

}  // namespace

void StoredDefinitions::clear() {
    result_ = nullptr;
    front_ = 0;
    main_begin_ = 0;
    std::string().swap(waiting_);
    first_name_.clear();
    stored_any_ = false;
    room_in_front_ = false;
    waited_ = false;
    first_waiting_at_ = 0;
}

void StoredDefinitions::begin(std::string& result, bool room_in_front) {
    result_ = &result;
    front_ = 0;
    main_begin_ = 0;
    room_in_front_ = room_in_front;
}

void StoredDefinitions::store(std::string_view name, std::string_view prologue, std::string_view body) {
    if (!stored_any_) {
        first_name_.assign(name);
        stored_any_ = true;
    }
    const std::size_t size = name.size() + prologue.size() + body.size() + 4;
    if (waiting_.empty() && main_begin_ - front_ >= size) {
        char* out = result_->data() + front_;
        put(out, name);
        put(out, "='");
        put(out, prologue);
        put(out, body);
        put(out, "'\n");
        front_ += size;
        return;
    }
    // Behind those already waiting, so that the order holds.
    waiting_ += name;
    waiting_ += "='";
    waiting_ += prologue;
    waiting_ += body;
    waiting_ += "'\n";
}

// The main code moves only once the definitions that wait come to a
// thirty-second of it, so that moving it is paid for by what moves in front.
void StoredDefinitions::make_room(std::size_t taken, std::size_t total) {
    if (!wants_room()) return;
    if (!waited_) {
        first_waiting_at_ = taken;
        waited_ = true;
    }
    // Once the whole source is read, finish() makes the room needed, and no more.
    if (total > 0 && taken >= total) return;
    std::string& result = *result_;
    const std::size_t main_size = result.size() - main_begin_;
    if (waiting_.size() < std::max<std::size_t>(main_size / 32, 4096)) return;
    const std::size_t need = front_ + waiting_.size();
    const std::size_t room_end =
        need + room_beyond(need, main_size, taken, total, taken - first_waiting_at_, result.capacity());
    result.insert(main_begin_, room_end - main_begin_, '\0');
    main_begin_ = room_end;
    std::memcpy(result.data() + front_, waiting_.data(), waiting_.size());
    front_ = need;
    waiting_.clear();
}

void StoredDefinitions::finish() {
    if (result_ == nullptr) return;
    std::string& result = *result_;
    const std::size_t end = front_ + waiting_.size();
    if (end > main_begin_)
        result.insert(main_begin_, end - main_begin_, '\0');
    else if (end < main_begin_)
        result.erase(end, main_begin_ - end);
    std::memcpy(result.data() + front_, waiting_.data(), waiting_.size());
    result_ = nullptr;
    front_ = 0;
    main_begin_ = 0;
    std::string().swap(waiting_);
}

}  // namespace kelvo
