#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include <sys/stat.h>

/// Windows attributes of host files (the host side of GetAttributes and SetAttributes), for the
/// platform's own use.
namespace lifto::platform {

/// Read-only: no write permission bit at all, or no write access for this user.
bool HostIsReadOnly(const std::filesystem::path& file, const struct stat& st);

/// The attribute bits of a host file whose stat is known.
std::uint32_t HostAttributes(const std::filesystem::path& file, const struct stat& st);

/// The attribute bits of a host file; nullopt when nothing is there.
std::optional<std::uint32_t> HostAttributes(const std::filesystem::path& file);

/// Sets read-only (through the write permission; not for folders, whose write permission Windows
/// does not know) and hidden, system and archive (through user.DOSATTRIB). @return false when
/// nothing is there, or the bits cannot be kept (hidden or system on a file system without
/// extended attributes).
bool SetHostAttributes(const std::filesystem::path& file, std::uint32_t attributes);

/// Copies the user.DOSATTRIB value of one open file to another, when there is one.
void CopyDosAttrib(int fromFd, int toFd);

}  // namespace lifto::platform
