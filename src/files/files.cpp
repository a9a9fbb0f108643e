#include "files/files.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <memory>
#include <ratio>
#include <string>
#include <streambuf>
#include <system_error>
#include <vector>

#include "files/files_platform.h"

namespace {

namespace fs = std::filesystem;

// How many seconds the file clock's epoch lies before 1970 (negative: after it). C++17 offers no
// conversion between the file clock and the system clock; both count from a whole second
// (libstdc++'s file clock from 2174-01-01), so the difference of their current readings,
// rounded to whole seconds, is the distance between their epochs.
std::int64_t file_clock_offset() {
    static const std::int64_t offset = [] {
        using std::chrono::nanoseconds;
        const auto file_now = std::chrono::duration_cast<nanoseconds>(
            fs::file_time_type::clock::now().time_since_epoch());
        const auto system_now = std::chrono::duration_cast<nanoseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        return std::chrono::round<std::chrono::seconds>(file_now - system_now).count();
    }();
    return offset;
}

// Hands what is written to a file in blocks of 64 KiB. A page renderer writes pieces of every
// size, and the file stream passes any piece of a kilobyte or more straight to the system; a page
// written in a few large writes is cheaper to write, and cheaper for the file system to flush
// when it is renamed over the old page (ext4 does so then).
class block_buffer final : public std::streambuf {
public:
    explicit block_buffer(std::streambuf& file) : file(file), block(new char[block_size]) {
        setp(block.get(), block.get() + block_size);
    }

    // Passes on what is held; false when the file takes less, now or at any time before.
    bool drain() {
        const std::streamsize held = pptr() - pbase();
        setp(block.get(), block.get() + block_size);
        failed = failed || (held != 0 && file.sputn(block.get(), held) != held);
        return !failed;
    }

protected:
    int_type overflow(int_type c) override {
        if (!drain()) {
            return traits_type::eof();
        }
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override { return drain() ? 0 : -1; }

private:
    static constexpr std::size_t block_size = 64 * 1024;
    std::streambuf& file;
    std::unique_ptr<char[]> block;  // not filled in beforehand: every byte is written first
    bool failed = false;
};

enum class whole_write { written, not_created, failed };

// Writes the page into `target` (created or truncated) and closes it. `not_created` when it
// cannot be created (`render` is not called); `failed` when it cannot be written completely, and a
// partly written `target` is removed, also when `render` throws (unless `keep_partial`: a file
// written through a link in place, whose target is not ours to remove).
whole_write write_whole(const fs::path& target, const std::function<void(std::ostream&)>& render,
                        bool keep_partial = false) {
    std::ofstream file(target, std::ios_base::out | std::ios_base::trunc | std::ios_base::binary);
    if (!file) {
        return whole_write::not_created;
    }
    const auto remove_partial = [&file, &target, keep_partial] {
        file.close();
        if (!keep_partial) {
            std::error_code ignored;
            fs::remove(target, ignored);
        }
    };
    bool written = false;
    try {
        block_buffer blocks(*file.rdbuf());
        std::ostream page(&blocks);
        render(page);
        written = page.good() && blocks.drain();
        file.close();
    } catch (...) {
        remove_partial();
        throw;
    }
    if (!written || !file) {
        remove_partial();
        return whole_write::failed;
    }
    return whole_write::written;
}

// The temporary file of a page in `folder`: "." + the page's file name + "." + the process id +
// ".tmp".
fs::path temporary_for(const fs::path& folder, const fs::path& page) {
    fs::path name(".");
    name += page.filename();
    name += "." + std::to_string(files_platform::process_id()) + ".tmp";
    return folder / name;
}

// Writes `page` whole through a temporary file in `folder`, renamed over `page` when complete.
whole_write write_by_rename(const fs::path& folder, const fs::path& page,
                            const std::function<void(std::ostream&)>& render) {
    const fs::path temporary = temporary_for(folder, page);
    const whole_write written = write_whole(temporary, render);
    if (written != whole_write::written) {
        return written;
    }
    if (!files_platform::replace(temporary, page)) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return whole_write::failed;
    }
    return whole_write::written;
}

// Copies the whole file `from` into `to` (opened for writing, so through a link in place).
bool copy_into(const fs::path& from, const fs::path& to) {
    std::ifstream in(from, std::ios_base::binary);
    if (!in) {
        return false;
    }
    return write_whole(to, [&in](std::ostream& out) { out << in.rdbuf(); }, true) ==
           whole_write::written;
}

// Writes a page that is a symbolic link without ever leaving the published page half written
// where that can be helped: into a temporary file beside the link's target, renamed over the
// target (the link stays as it is). Where the target's folder takes no temporary file, or the
// target is no regular file, the page is written beside the link first and then copied through
// it in place.
page_write write_through_link(const fs::path& link,
                              const std::function<void(std::ostream&)>& render) {
    std::error_code error;
    const fs::path target = fs::weakly_canonical(link, error);
    const fs::file_status target_status = fs::status(target, error);
    const bool regular_or_missing =
        fs::is_regular_file(target_status) || target_status.type() == fs::file_type::not_found;
    if (!target.empty() && regular_or_missing) {
        switch (write_by_rename(target.parent_path(), target, render)) {
            case whole_write::written: return page_write::written;
            case whole_write::failed: return page_write::failed;
            case whole_write::not_created: break;  // a folder that takes no new file
        }
    }
    const fs::path temporary = temporary_for(link.parent_path(), link);
    if (write_whole(temporary, render) != whole_write::written) {
        return page_write::failed;
    }
    const bool copied = copy_into(temporary, link);
    std::error_code ignored;
    fs::remove(temporary, ignored);
    if (copied) {
        return page_write::written;
    }
    if (fs::is_regular_file(fs::status(link, ignored))) {
        // Far older than any input, so that the next run writes the page again.
        set_modification_time(link, files_platform::file_time_from_unix(0, 0));
    }
    return page_write::target_incomplete;
}

}  // namespace

namespace files_platform {

fs::file_time_type file_time_from_unix(std::int64_t seconds, std::int64_t nanoseconds) {
    seconds += nanoseconds / 1000000000;
    nanoseconds %= 1000000000;
    if (nanoseconds < 0) {
        nanoseconds += 1000000000;
        seconds -= 1;
    }
    using file_duration = fs::file_time_type::duration;
    static_assert(std::ratio_equal_v<file_duration::period, std::nano>,
                  "the file clock counts nanoseconds");
    const bool before_1970 = seconds < 0;
    std::int64_t count = 0;
    if (__builtin_add_overflow(seconds, file_clock_offset(), &seconds) ||
        __builtin_mul_overflow(seconds, std::int64_t{1000000000}, &count) ||
        __builtin_add_overflow(count, nanoseconds, &count)) {
        return before_1970 ? fs::file_time_type::min() : fs::file_time_type::max();
    }
    return fs::file_time_type(file_duration(count));
}

void unix_from_file_time(fs::file_time_type time, std::int64_t& seconds, std::int64_t& nanoseconds) {
    const std::int64_t count = time.time_since_epoch().count();
    seconds = count / 1000000000;
    nanoseconds = count % 1000000000;
    if (nanoseconds < 0) {
        nanoseconds += 1000000000;
        seconds -= 1;
    }
    seconds -= file_clock_offset();
}

}  // namespace files_platform

namespace {

// The time a file became what it is as an input: the later of its two times.
fs::file_time_type arrival_as_input(const files_platform::file_times& times) {
    return std::max(times.modified, times.arrived);
}

files_platform::file_times times_of(const fs::path& path) {
    files_platform::file_times times;
    std::error_code error;
    if (!files_platform::times_of(path, times, error)) {
        throw fs::filesystem_error("cannot get file time", path, error);
    }
    return times;
}

}  // namespace

fs::file_time_type input_time(const fs::path& path) {
    return arrival_as_input(times_of(path));
}

file_head read_file_head(const fs::path& path, char* buffer, std::size_t limit) {
    file_head head;
    files_platform::file_times times;
    head.result = files_platform::read_head(path, buffer, limit, head.size, times);
    if (head.result == file_head::outcome::read) {
        head.input_time = arrival_as_input(times);
    }
    return head;
}

fs::file_time_type modification_time(const fs::path& path) {
    return times_of(path).modified;
}

std::optional<fs::file_time_type> modification_time_if_any(const fs::path& path) {
    files_platform::file_times times;
    std::error_code error;
    if (files_platform::times_of(path, times, error)) {
        return times.modified;
    }
    if (error == std::errc::no_such_file_or_directory) {
        return std::nullopt;
    }
    throw fs::filesystem_error("cannot get file time", path, error);
}

page_write write_page_file(const fs::path& path,
                           const std::function<void(std::ostream&)>& render) {
    std::error_code ignored;
    if (fs::is_symlink(fs::symlink_status(path, ignored))) {
        return write_through_link(path, render);
    }
    return write_by_rename(path.parent_path(), path, render) == whole_write::written
               ? page_write::written
               : page_write::failed;
}

bool set_modification_time(const fs::path& path, fs::file_time_type time) {
    return files_platform::set_modification_time(path, time);
}
