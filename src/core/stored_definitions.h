// The user script definitions of a run, kept where the result puts them: in
// front of the main code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvo {

// The definitions that the `end` lines of a run store, each as the result
// shows it (its name, "='", its body and "'\n"), in the order of the `end`
// lines.
//
// A run translates its main code into the result. Where nothing listens, the
// main code stands behind room for the definitions, and each definition is
// written straight into that room: the run never holds the definitions beside
// the result. When the room runs out, the definitions wait, and once enough
// of them wait, the main code moves up between two lines, making room for as
// much as the definitions so far project for the rest of the source. At the
// end the waiting ones go in front, and the main code moves down to close
// the room left over. A run with a listener keeps its main code where it
// began, since the places it tells are offsets into it; its definitions wait
// apart and are put in front at the end.
class StoredDefinitions {
public:
    // The run reset: no definition stored, none waiting.
    void clear();
    // The run translates its main code into `result`, empty so far.
    void begin(std::string& result, bool room_in_front);

    // `end`: a definition with its name, parameter prologue and collected text.
    void store(std::string_view name, std::string_view prologue, std::string_view body);
    // The name of the first definition stored since the reset.
    std::string_view first_name() const { return first_name_; }

    // Where the main code begins in the result.
    std::size_t main_code_begins() const { return main_begin_; }
    // True when a definition waits for room that the run may make.
    bool wants_room() const { return room_in_front_ && !waiting_.empty(); }
    // Between two lines, when a definition wants room: moves the main code
    // up when enough of them wait. `taken` bytes of the `total` of the
    // source have been read (a total of 0 is not known).
    void make_room(std::size_t taken, std::size_t total);
    // The run is over: the definitions in front of the main code, nothing
    // between them.
    void finish();

    // The definitions not yet in the result (all of them, in a run with a
    // listener, until it finishes).
    std::string_view waiting() const { return waiting_; }

private:
    std::string* result_ = nullptr;
    std::size_t front_ = 0;       // the definitions' bytes in front of the room
    std::size_t main_begin_ = 0;  // where the room ends and the main code begins
    std::string waiting_;
    std::string first_name_;
    bool stored_any_ = false;
    bool room_in_front_ = false;
    bool waited_ = false;              // a definition has waited for room
    std::size_t first_waiting_at_ = 0;  // the bytes of the source read when it began to wait
};

}  // namespace kelvo
