// INI files as text, with the private-profile rules of Windows, for systems
// that have no GetPrivateProfileString. Pure functions on the file's bytes;
// the POSIX seam reads the file, calls these and saves the result atomically
// through a temporary file beside it, or, when the folder cannot take one
// while the file itself is writable, writes the result over the file in
// place (as Windows' profile functions always do) rather than fail.
//
// Reading:
// - A section begins at a line whose first non-blank byte is "[" and that
//   holds a "]" after it; its name is the text between them, blanks around
//   it ignored. Lines before the first section belong to no section.
// - A key line is a line of a section holding "="; the key is the text
//   before the first "=", the value the text after it, both without the
//   blanks (space, tab, vertical tab, form feed) around them. A value
//   wholly enclosed in a pair of double or of single quotes loses the pair,
//   as GetPrivateProfileString does.
// - Section and key names match case-insensitively for ASCII letters; the
//   second byte of a Shift-JIS character is never folded. The first
//   matching section, and in it the first matching key, win.
// - A line ends at CR LF, LF or a lone CR; the last line needs none.
//
// Writing replaces the value of the first matching key in place (the bytes
// up to and including its "=" stay as they were), or adds "key=value" after
// the last non-empty line of the first matching section, or adds the
// section with the key at the end of the text. Every other byte stays as it
// was. New lines take the text's first line ending (CR LF when it has none).
#pragma once

#include <string>

namespace kivo::platform::ini {

// The value of `key` in `section` of the INI text, or empty text.
std::string Read(const std::string& text, const std::string& section, const std::string& key);

// True when the section name, without the blanks around it, ends in a lead
// byte that nothing completes. Written as "[name]", its "]" would complete
// the character, as the reading here and Windows' own (in code page 932)
// both take it, and the header would have no "]": the section could never
// be found again, and every write would add another.
bool EndsInLoneLeadByte(const std::string& section);

// True when the names and the value can be stored without changing the
// file's structure: no CR or LF anywhere, no "]" in the section name and
// none of its lead bytes left alone at its end (EndsInLoneLeadByte), no "="
// in the key and no "[" at its start (the line would read as a header),
// neither name empty or only blanks.
bool CanWrite(const std::string& section, const std::string& key, const std::string& value);

// The INI text with `key` in `section` set to `value`. The arguments must
// pass CanWrite.
std::string Write(const std::string& text, const std::string& section, const std::string& key,
                  const std::string& value);

}  // namespace kivo::platform::ini
