#pragma once
// Byte-string helpers shared by every layer. ASCII character classes only.

// The value of a hexadecimal digit, -1 for any other character.
int HexDigitValue(char c);
