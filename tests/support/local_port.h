// Free TCP ports on the loopback address, for test servers that must not
// meet each other. Only where such a server runs: on POSIX systems.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

/// `count` distinct TCP ports of 127.0.0.1 that are free right now, as the
/// system hands them out for a bind to port 0: picked at random from its
/// range of temporary ports, so that two callers rarely get the same one.
/// A port may be taken by someone else before the caller binds it. Empty
/// when the system has none to give.
std::vector<uint16_t> UnusedLocalPorts(size_t count);
