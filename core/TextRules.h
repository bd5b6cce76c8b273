#pragma once
// Byte-string helpers shared by every layer. ASCII character classes only.
#include <string>

// The value of a hexadecimal digit, -1 for any other character.
int HexDigitValue(char c);

std::string ReplaceChar(const std::string& text, char from, char to);
std::string SlashesToBackslashes(const std::string& text);
std::string BackslashesToSlashes(const std::string& text);
