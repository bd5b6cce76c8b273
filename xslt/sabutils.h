#pragma once
// The URI toolkit of the XSLT adapter. Byte strings, ASCII character classes.
#include <string>

#include "TextRules.h"  // the separator converters the toolkit's users pair with it

// Resolves a reference against a base URI (a simplified form of RFC 2396, 5.2).
// False, with an empty result, when either fails to parse, neither has a scheme, or the
// reference climbs above the root.
bool ResolveUri(const std::string& base, const std::string& reference, std::string& resolved);

// Turns a "file" URI into a local path: the path without its first character,
// percent-decoded, "/" turned into "\". The query and fragment outputs keep their "?"/"#".
bool DecodeFileUri(const std::string& uri, std::string& localPath, std::string& authority, std::string& query,
                   std::string& fragment);

// The text before the first "://", else before the first ":/", else "".
std::string SchemeOfUri(const std::string& uri);

// Splits at the first "=": without one the key is empty and the value is the whole text.
void SplitKeyValue(const std::string& text, std::string& key, std::string& value);

// Decodes "%XX" escapes: the form in which URIs reach the scheme handler and the messages.
std::string UnescapeUri(const std::string& uri);
// The text of a C string a handler was given; a null pointer is the empty text.
inline std::string TextOf(const char* value) { return value != nullptr ? value : ""; }
// ASCII case-insensitive equality, as schemes compare.
bool EqualsNoCase(const std::string& text, const char* other);
