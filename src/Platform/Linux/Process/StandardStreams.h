#pragma once

namespace vesperine {

// Descriptors 0, 1 and 2 of a process started with any of them closed. The next file the
// program opened would take the free number, and whatever is meant for stdout or stderr (a
// log line) would be written into that file or socket, such as the X connection.
namespace StandardStreams {
// Opens /dev/null on each of the three that is closed. Call first thing in main, before
// anything opens a file.
void ensureOpen();
}  // namespace StandardStreams

}  // namespace vesperine
