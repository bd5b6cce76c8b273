#pragma once
// What the parts of a run share: parse options, the codes and module of the processor's own
// reports, and the scheme test for network reads.
#include <cstddef>
#include <string>

#include <libxslt/xsltutils.h>

#include "SablotInternals.h"

// xsltproc's parse options, without network access.
inline constexpr int SablotParseOptions = XSLT_PARSE_OPTIONS | XML_PARSE_NONET;

// Codes of the processor's own reports.
enum : int {
    CodeResourceUnreadable = 1,
    CodeNetworkRefused = 2,
    CodeNoScheme = 3,
    CodeOutputUnwritable = 4,
    CodeStepFailed = 5,
    CodeInternal = 6,
};

inline const char* const ProcessorModule = "Processor";

// Reports one step of a run holds back until it ends; a step that reports more (a loop
// hitting the same warning) has the rest counted in one line.
inline constexpr size_t MaxStepReports = 1000;

inline bool IsNetworkScheme(const std::string& scheme) {
    return EqualsNoCase(scheme, "http") || EqualsNoCase(scheme, "https") || EqualsNoCase(scheme, "ftp");
}
