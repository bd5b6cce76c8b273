#include "TemplateExpansion.h"

std::string ExpandTemplate(const std::string& templateText, const TXSLTParameters& variables) {
    static const std::string Open = "<%";
    static const std::string Close = "%>";
    // The result is built by appending, so a template with many placeholders costs one
    // pass. Inserted values are never scanned again, so scanning the template alone finds
    // the same placeholders as replacing them in place would.
    std::string text;
    text.reserve(templateText.size());
    std::size_t from = 0;
    for (;;) {
        const std::size_t start = templateText.find(Open, from);
        if (start == std::string::npos) break;
        // The close is searched from the opening itself, so "<%>" reads as "<%" + "%>".
        const std::size_t end = templateText.find(Close, start);
        if (end == std::string::npos) break;
        const std::size_t nameStart = start + Open.size();
        const std::string name = end > nameStart ? templateText.substr(nameStart, end - nameStart) : std::string();
        const std::string* value = nullptr;
        for (const TXSLTParameter& variable : variables)
            if (variable.Name == name) value = &variable.Value;
        text.append(templateText, from, start - from);
        if (value)
            text += *value;
        else
            text += "*** Warning. Unknown variable is reached: " + name + " ***";
        from = end + Close.size();
    }
    text.append(templateText, from, std::string::npos);
    return text;
}
