#include "TemplateExpansion.h"

std::string ExpandTemplate(const std::string& templateText, const TXSLTParameters& variables)
{
    static const std::string Open = "<%";
    static const std::string Close = "%>";
    std::string text = templateText;
    std::size_t from = 0;
    for (;;) {
        const std::size_t start = text.find(Open, from);
        if (start == std::string::npos)
            break;
        // The close is searched from the opening itself, so "<%>" reads as "<%" + "%>".
        const std::size_t end = text.find(Close, start);
        if (end == std::string::npos)
            break;
        const std::size_t nameStart = start + Open.size();
        const std::string name = end > nameStart ? text.substr(nameStart, end - nameStart) : std::string();
        std::string value = "*** Warning. Unknown variable is reached: " + name + " ***";
        for (const TXSLTParameter& variable : variables)
            if (variable.Name == name)
                value = variable.Value;
        text.replace(start, end + Close.size() - start, value);
        from = start + value.size();
    }
    return text;
}
