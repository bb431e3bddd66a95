#include "library/files.h"
#include "library/source_file.h"

#include <algorithm>
#include <cstdio>

#include "core/large_pages.h"

namespace kelvo {

namespace {

constexpr std::size_t first_piece = std::size_t{1} << 16;

// The bytes from the read position to the end, or 0 when the file tells no
// size (a pipe or a device).
std::size_t bytes_left(std::FILE* file) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) {
        std::clearerr(file);
        return 0;
    }
    const long size = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0) return 0;
    return size > here ? static_cast<std::size_t>(size - here) : 0;
}

// Room for `size` bytes; a big buffer asks for large pages before its pages
// are first written.
void make_room(std::string& bytes, std::size_t size) {
    std::string grown;
    grown.reserve(size);
    ask_for_large_pages(grown);
    grown.assign(bytes);
    grown.resize(size);
    bytes.swap(grown);
}

// Reads on until the end; each time the buffer fills, it doubles. True when
// no read failed.
bool read_rest(std::FILE* file, std::string& bytes, std::size_t filled) {
    while (filled == bytes.size()) {
        make_room(bytes, std::max(bytes.size() * 2, first_piece));
        filled += std::fread(bytes.data() + filled, 1, bytes.size() - filled, file);
    }
    bytes.resize(filled);
    return std::ferror(file) == 0;
}

}  // namespace

// A directory opens on some systems, then fails to read and tells a size
// that is none: the size is asked for only once a first piece has come.
// A file that tells its size then gets the rest in one read straight into
// place, with one byte more, so that meeting the end shows.
std::optional<std::string> read_file(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return std::nullopt;
    std::string bytes(first_piece, '\0');
    std::size_t filled = std::fread(bytes.data(), 1, first_piece, file);
    if (filled == first_piece) {
        const std::size_t left = bytes_left(file);
        if (left > 0) {
            make_room(bytes, filled + left + 1);
            filled += std::fread(bytes.data() + filled, 1, left + 1, file);
        }
    }
    const bool read = std::ferror(file) == 0 && read_rest(file, bytes, filled);
    std::fclose(file);
    if (!read) return std::nullopt;
    return bytes;
}

SourceFile::SourceFile(const char* path) : file_(std::fopen(path, "rb")) {}

SourceFile::~SourceFile() {
    if (file_ != nullptr) std::fclose(file_);
}

std::size_t SourceFile::read(char* into, std::size_t size) {
    const std::size_t got = std::fread(into, 1, size, file_);
    if (got < size && std::ferror(file_) != 0) failed_ = true;
    read_so_far_ += got;
    return got;
}

std::size_t SourceFile::size() { return read_so_far_ + bytes_left(file_); }

bool write_text_file(const char* path, std::string_view text) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    bool written = true;
#ifdef _WIN32
    std::string chunk;
    std::size_t start = 0;
    while (written && start < text.size()) {
        const std::size_t stop = std::min(text.size(), start + (std::size_t{1} << 16));
        chunk.clear();
        for (std::size_t i = start; i < stop; ++i) {
            if (text[i] == '\n') chunk += '\r';
            chunk += text[i];
        }
        written = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
        start = stop;
    }
#else
    written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
#endif
    written = std::fflush(file) == 0 && written;
    return std::fclose(file) == 0 && written;
}

}  // namespace kelvo
