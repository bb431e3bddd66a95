// The source file of a run, read piece by piece as stored.
#pragma once

#include <cstddef>
#include <cstdio>

#include "core/source_reader.h"

namespace kelvo {

// A source file that the reader reads piece by piece, as stored.
class SourceFile final : public SourceFeed {
public:
    explicit SourceFile(const char* path);
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;
    ~SourceFile();

    bool is_open() const { return file_ != nullptr; }
    std::size_t read(char* into, std::size_t size) override;
    // A read failed (a directory opens on some systems, then fails to read).
    bool failed() const { return failed_; }
    // The bytes of the file, or those read so far when it tells no size (a
    // pipe or a device). Ask only once a first piece has come: a directory
    // that opened tells a size that is none.
    std::size_t size();

private:
    std::FILE* file_;
    std::size_t read_so_far_ = 0;
    bool failed_ = false;
};

}  // namespace kelvo
