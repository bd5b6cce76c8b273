#pragma once
// Substitution of "<%name%>" placeholders in a stylesheet template.
#include <string>

#include "TBookInfo.h"

// Every placeholder is replaced once, left to right, by the value of the last variable
// of that name, or by a warning text when there is none; inserted values are not rescanned.
std::string ExpandTemplate(const std::string& templateText, const TXSLTParameters& variables);
