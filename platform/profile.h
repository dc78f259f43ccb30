// The per-user application profile: named byte blocks and integers in sections, kept in
// QSettings under organisation "Quillory Corporation", application "Sonoria", then a group
// named after the application name, then the section.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform
{

// The key under which a section's unnamed value is kept (QSettings takes no empty key).
inline constexpr char16_t ProfileUnnamedEntry[] = u"(Default)";

// The group below the profile key: the application name, which is the executable's name
// unless the program set another, "Sonoria" when there is no application object.
QString ProfileApplicationName();

// Reads a byte block; false (and `value` cleared) when the entry is absent or not a byte block.
// An empty `entry` names the section's unnamed value.
bool GetProfileBinary(const QString& section, const QString& entry, QByteArray& value);
// Writes a byte block; false when the profile could not be written.
bool WriteProfileBinary(const QString& section, const QString& entry, const QByteArray& value);

// Reads an integer; `defaultValue` when the entry is absent or holds no integer.
int GetProfileInt(const QString& section, const QString& entry, int defaultValue);
// Writes an integer; false when the profile could not be written.
bool WriteProfileInt(const QString& section, const QString& entry, int value);

} // namespace platform
