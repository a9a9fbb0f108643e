#pragma once

// The file system where the standard library falls short on Windows: file times at the platform's
// full precision (100 ns on Windows, where std::filesystem::last_write_time has whole seconds), the
// time a file arrived (status change on Linux, creation on Windows), and replacing a page by
// rename. files_posix.cpp and files_win32.cpp hold what differs between the platforms.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>

// The time a file became what it is as an input of the pages: the later of its last-write time
// and its status-change time (Linux) or creation time (Windows), at full precision. A replay copied
// or unpacked into a folder keeps an old last-write time; the other time is the moment it
// arrived. Follows symbolic links. Throws std::filesystem::filesystem_error.
std::filesystem::file_time_type input_time(const std::filesystem::path& path);

// The first bytes of a file read for its content, with its input time.
struct file_head {
    enum class outcome {
        read,         // `size` bytes are in the buffer
        directory,    // never opened
        not_regular,  // a FIFO, device or socket: never opened
        unreadable,   // no such file, or it cannot be opened or read
    };
    outcome result = outcome::unreadable;
    std::size_t size = 0;
    std::filesystem::file_time_type input_time{};  // as input_time(), when read
};

// Reads at most `limit` bytes from the start of the file `path` into `buffer`, following symbolic
// links, when it is a regular file: with one look at the file where the platform allows it
// (input_time after the reading would take a second).
file_head read_file_head(const std::filesystem::path& path, char* buffer, std::size_t limit);

// A file's last-write time at full precision. Follows symbolic links. Throws
// std::filesystem::filesystem_error.
std::filesystem::file_time_type modification_time(const std::filesystem::path& path);

// The same, or nothing when there is no such file (one look at the file system where asking
// whether it exists and then for its time would take two). Throws
// std::filesystem::filesystem_error for any other failure.
std::optional<std::filesystem::file_time_type> modification_time_if_any(
    const std::filesystem::path& path);

// How writing a page ended.
enum class page_write {
    written,            // whole
    failed,             // not at all: the old page is as it was
    target_incomplete,  // a link's target written in place only partly (see write_page_file)
};

// Writes the page `path` whole, without line-end translation: `render` writes it into a temporary
// file in the page's folder (named "." + the page's file name + "." + the process id + ".tmp"),
// which is renamed over the page only when complete, so that a reader of the folder sees the old
// page or the new one, never a part. (No flush to the disk: a power cut may lose the new page.)
//
// A page that is a symbolic link (organisers link pages into a web root) stays a link: the page
// is written into a temporary file beside its target and renamed over the target. Where the
// target's folder takes no new file, or the target is no regular file, the page is written into a
// temporary file beside the link and then copied through the link in place; when that copy fails,
// the target may hold part of the page (`target_incomplete`), and its last-write time is set to
// 1970 so that the next run writes it again.
//
// `failed` when the page cannot be written: no temporary file can be created (`render` is not
// called then), writing it fails, or the rename fails (a directory or a file locked by another
// program in the page's place). An exception of `render` passes on. Whatever fails, the published
// page is left as it was unless the result says otherwise, no temporary file remains, and a link
// is never removed.
page_write write_page_file(const std::filesystem::path& path,
                           const std::function<void(std::ostream&)>& render);

// Sets a file's last-write time at full precision, following symbolic links; false when it
// cannot.
bool set_modification_time(const std::filesystem::path& path, std::filesystem::file_time_type time);
