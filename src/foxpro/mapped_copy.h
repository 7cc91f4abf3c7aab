#pragma once
// Copies to and from a shared mapping of a file that another program may cut shorter meanwhile.
// Our own writers never do (they hold the file's lock of exclusive use), but the lock is advisory:
// a program that ignores it may truncate the file, and the system then raises SIGBUS on the next
// access to a page past the new end, which would end the whole converter.

#include <cstddef>

namespace qc::foxpro {

// memcpy that returns false instead of ending the process when the access meets a page the
// file no longer has. Bytes before that page may have been copied.
bool copyThroughMapping(char* to, const char* from, std::size_t length) noexcept;

} // namespace qc::foxpro
