// Private-profile (INI) files with the semantics of the Windows profile functions: names
// match without regard to ASCII case, numbers are read from their leading digits, and a write
// changes one line in place and keeps every other byte of the file.
#pragma once

#include <cstddef>
#include <string>

namespace platform
{

// The value of `key` in `section` read as a decimal number from its leading digits (after
// blanks and surrounding quotes are removed): an empty or non-numeric value reads 0, and so
// does a negative one, since "-" is not a digit. Values above INT_MAX read INT_MAX. An absent
// file, section or key gives `defaultValue`.
int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& file);

// The value text without surrounding blanks and without one pair of surrounding matching
// quotes (" or '), or `defaultValue` when the file, section or key is absent. Either is cut to
// `bufferChars - 1` characters, counted as UTF-8 code points (a malformed byte counts as one),
// so a multi-byte character is never split.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, size_t bufferChars,
                                    const std::string& file);

// Sets `key` in `section` to `value`: the value of the first such key is replaced in place,
// a missing key goes after the last non-blank line of its section, a missing section is
// appended with the key, and a missing file is created (its folder is not). The new content
// replaces the file through a temporary file and a rename, keeping the file's permissions.
// Returns false, leaving the file as it was, when the file cannot be read or written, and
// when a name or value would not read back as written (a line break anywhere, "=" in the key,
// "]" in the section, a key starting with "[" or ";").
// A value with surrounding blanks or quotes is written quoted, so it reads back unchanged.
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file);

} // namespace platform
