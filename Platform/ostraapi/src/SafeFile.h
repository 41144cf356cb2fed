#pragma once

#include <cstdint>
#include <string>

namespace OstraEmulation
{

// Files the emulation reads that others may have put in place: the rig, the
// content files it names, a camera's flash file and boot record. A file is
// read only when it is a regular file: it is opened without blocking, so a
// FIFO or a device in its place is refused at once instead of hanging the
// program, and its size is checked before anything is allocated for it.
// Stateless and thread-safe.
namespace SafeFile
{

enum class LINKS
{
    // A symbolic link is followed (a rig the operator points at).
    FOLLOW,
    // A symbolic link is refused (files the emulation keeps itself).
    REFUSE
};

// The open file descriptor of a regular file at `path`, opened with `flags`
// (O_NONBLOCK and O_CLOEXEC added, O_NOFOLLOW for REFUSE), or -1 with
// `reason` set: "is a symbolic link", "is a folder", "is not a regular
// file", "cannot be opened: <system error>". Its size in `size`.
int openRegular(const std::string& path, int flags, LINKS links, std::uint64_t& size, std::string& reason);

// The whole of a regular file of at most `maximumSize` bytes. False with
// `reason` set (see openRegular; "holds N bytes, more than the M allowed",
// "cannot be read: <system error>").
bool read(const std::string& path, std::uint64_t maximumSize, LINKS links, std::string& content,
          std::string& reason);

// An outside text (a path, a key, a file's content) as an error message
// shows it: control characters, DEL and bytes above 0x7E as "\xHH", so that
// no message moves a terminal's cursor or forges a line.
std::string printable(const std::string& text);

} // namespace SafeFile
} // namespace OstraEmulation
