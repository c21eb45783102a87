// What the POSIX-only tests make on disk and who they act as: links,
// FIFOs, sockets and devices, files of other users. Only on POSIX systems.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

/// True when the tests run as root, who may act for other users.
bool RunningAsRoot();

/// The id of a user of this system that is not root, by name ("nobody").
std::optional<uint32_t> UserId(const std::string& name);

/// Makes `path` a symbolic link to `target`; 0 or errno.
int MakeSymlink(const std::string& target, const std::string& path);

/// Gives `path` (the link itself, not its target) to the user and its group; 0 or errno.
int GiveTo(const std::string& path, uint32_t user);

/// Sets the permission bits of `path`; 0 or errno.
int SetMode(const std::string& path, unsigned mode);

/// Makes a FIFO at `path`; 0 or errno.
int MakeFifo(const std::string& path);

/// Makes a listening socket's file at `path`; 0 or errno.
int MakeSocketFile(const std::string& path);

/// True when `path` is a symbolic link.
bool IsSymlink(const std::string& path);
