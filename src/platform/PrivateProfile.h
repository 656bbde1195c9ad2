#pragma once
// Sectioned INI files with the semantics of the classic private-profile calls:
//
// - Section and key names compare without regard to case and to blanks around them; the first
//   matching section and the first matching key in it count.
// - A line "[name]" starts a section; a line "key=value" is a key, blanks around the key name
//   ignored; lines starting with ";" are comments and never match. Lines before the first
//   section belong to no section.
// - A read returns the stored value (surrounding blanks removed, then one pair of enclosing
//   double or single quotes removed), cut to at most 255 bytes of code page 932 as a 256-byte
//   buffer would hold it, never splitting a double-byte character; or the default when the
//   file, section or key is missing. So a value written with surrounding blanks reads back
//   without them.
// - A write replaces the key's value in place, or adds the key at the end of its section, or
//   adds the section at the end of the file, or creates the file; every other line of the file
//   is kept byte for byte. A replaced key keeps the name's spelling found in the file; a new
//   key goes right after the last non-blank line of its section. A value that the read would
//   change (blanks around it, or enclosing quotes of its own) is written in double quotes, which
//   the read takes off again; every other value is written as given. It fails (returns false)
//   when the file's folder does not exist (folders are never created), when the file cannot be
//   read or replaced, and when the section or key is empty or any of the three texts would
//   break the line structure (a line break or NUL, "=" in the key, "]" in the section, a key
//   starting with ";" or "["); the file is then left as it was.
// Files are code page 932 with CR LF line ends.

#include <QString>

namespace privateprofile {

QString getString(const QString& section, const QString& key, const QString& defaultValue,
                  const QString& filePath);

// A new file is created readable and writable by its owner only, since the account file holds a
// password; an existing file keeps its permissions. The file is replaced atomically, so a crash
// leaves the old or the new file, never half of one.
bool writeString(const QString& section, const QString& key, const QString& value,
                 const QString& filePath);

}  // namespace privateprofile
