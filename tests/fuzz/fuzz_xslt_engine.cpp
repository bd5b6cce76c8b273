// The adapter's own text handling on arbitrary bytes: field lists, scheme-base redirection,
// URI normalising, and a transformation of the bytes as an XML input through a fixed
// stylesheet (held in a buffer, so nothing but the input reaches the processor).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "SablotInternals.h"
#include "TSablotEngine.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

const char* const Sheet =
    "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
    "<xsl:template match='/'><r n='{count(//node())}'><xsl:copy-of select='/*/*[1]'/>"
    "<xsl:value-of select='name(/*)'/></r></xsl:template></xsl:stylesheet>";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = Lines(input);

    std::vector<const char*> fields;
    for (const std::string& line : lines)
        fields.push_back(line.c_str());
    fields.push_back(nullptr);
    BuildMessageText(fields.data());

    // Unescaping undoes normalising for text without escapes of its own or backslashes.
    if (input.find('%') == std::string::npos && input.find('\\') == std::string::npos &&
        UnescapeUri(NormaliseUri(input)) != input)
        std::abort();
    UriScheme(input);
    ArgNameOfUri(input);

    TSablotEngine engine;
    if (lines.size() >= 3) {
        engine.AddBase(lines[0], lines[1]);
        std::string scheme = lines[0], rest = lines[2];
        engine.ApplySchemeBase(scheme, rest);
    }
    engine.AddArgBuffer("sheet", Sheet);
    engine.AddArgBuffer("data", input);
    engine.SetDefaultBase("arg:/");
    if (engine.RunProcessorGen("arg:/sheet", "arg:/data", "arg:/out")) {
        std::string output;
        engine.GetResultArg("arg:/out", output);
        if (output.empty()) std::abort();
    } else if (engine.LastErrorText.empty()) {
        std::abort();  // a failure always says why
    }
    return 0;
}
