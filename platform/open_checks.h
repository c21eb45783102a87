// What the Linux disk checks before the tool works on a download's files:
// that a link leading to one can be trusted, and that no other process has
// the data file open. Used by disk_linux.cc only.
#pragma once

#include <string>

#include "platform/disk.h"

/// Opens `path` with the open(2) `flags`, following a symbolic link only
/// when the link belongs to the user running the tool, or its owner also
/// owns the file it leads to (Apache's SymLinksIfOwnerMatch): a link of
/// someone else's never leads the tool to a file that is not theirs. The
/// final name is opened with O_NOFOLLOW in the very folder that was checked,
/// so a link swapped in after the check makes the open fail instead, and the
/// owners are checked again against the file that was opened.
OpenResult OpenTrusted(const std::string& path, int flags);

/// The path `path` leads to by the same rule, without opening it.
PathResult ResolveTrusted(const std::string& path);

/// Takes a write lease on the open file, which the kernel grants only while
/// no other process, of any user, has the file open. 0 when granted, EBUSY
/// when another process has it open, ENOLCK where leases are not available
/// (a file system without them, or a file of another user without the
/// privilege to lease it).
int TakeWriteLease(int fd);

/// True once another process has asked to open a leased file; it waits
/// until the lease is given up.
bool LeaseBroken(int fd);

/// Gives a lease up; nothing where none was taken.
void DropLease(int fd);

/// True when a process other than this one has the file open (for writing,
/// with `writersOnly`), as far as /proc shows: only processes of users this
/// one may inspect are seen, so it serves where leases are not available.
bool OtherProcessHasOpen(const FileIdentity& target, bool writersOnly);
