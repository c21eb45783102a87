// Text as the download clients store it: names and paths in their files,
// which come in UTF-8 (with or without a byte-order mark), UTF-16LE with a
// mark, or aMule's "universal" form of a file name.
#pragma once

#include <optional>
#include <string>

/// The text without a leading UTF-8 byte-order mark; `hadMark` says whether
/// it had one (eMule marks a name so that it is read as UTF-8, not ANSI).
std::string WithoutUtf8Mark(const std::string& text, bool* hadMark = nullptr);

/// True for bytes that are well-formed UTF-8.
bool IsUtf8(const std::string& bytes);

/// Latin-1 bytes (or ANSI ones, taken for Latin-1) as UTF-8.
std::string Latin1ToUtf8(const std::string& bytes);

/// A whole text file as UTF-8: UTF-16LE after its mark, UTF-8 with its mark
/// dropped, UTF-8 as it is, and anything else taken for Latin-1 (an old ANSI
/// file) as the clients fall back to. Nothing for UTF-16 that does not decode.
std::optional<std::string> DecodeClientText(const std::string& bytes);

/// The bytes a name in aMule's universal form stands for: aMule writes the
/// file system's bytes of a name each as a Latin-1 character in UTF-8, so
/// that "é" on disk (C3 A9) is stored as C3 83 C2 A9. Nothing for a text
/// with any character above U+00FF.
std::optional<std::string> FromUniversalForm(const std::string& text);
