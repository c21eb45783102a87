// Names between the tool's own text, UTF-8, and the UTF-16 of the wide
// functions of Windows, which reach every name whatever the ANSI code page.
// Used by the _win32 files only.
#pragma once

#include <string>

/// The UTF-16 form of a name or a text. A string that is not UTF-8 (a name
/// a metadata file recorded in the ANSI code page) is taken in that code
/// page, as the system's narrow functions took it.
std::wstring WideName(const std::string& text);

/// The UTF-8 form of a UTF-16 name or text.
std::string Utf8Name(const std::wstring& wide);
