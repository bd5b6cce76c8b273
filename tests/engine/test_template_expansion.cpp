#include <gtest/gtest.h>

#include "TemplateExpansion.h"

namespace {

struct ExpansionCase {
    const char* name;
    std::string templateText;
    TXSLTParameters variables;
    std::string expected;
};

const std::string Unknown = "*** Warning. Unknown variable is reached: ";

TEST(ExpandTemplate, casesTable) {
    const std::vector<ExpansionCase> cases = {
        {"no placeholder is unchanged", "<xsl:stylesheet/>", {{"a", "1"}}, "<xsl:stylesheet/>"},
        {"empty value and neighbour", "<%a%><%b%>", {{"a", ""}, {"b", "x"}}, "x"},
        {"names are case-sensitive", "<%rootpath%>", {{"RootPath", "r"}}, Unknown + "rootpath ***"},
        {"blanks belong to the name", "<% RootPath %>", {{"RootPath", "r"}}, Unknown + " RootPath  ***"},
        {"last definition wins", "<%v%>", {{"v", "vars"}, {"v", "paths"}}, "paths"},
        {"inserted values are not rescanned", "<%x%>", {{"x", "<%y%>"}, {"y", "1"}}, "<%y%>"},
        {"close before open is text", "a%>b<%c", {{"c", "1"}}, "a%>b<%c"},
        {"unclosed placeholder ends expansion", "<%a%>-<%a", {{"a", "1"}}, "1-<%a"},
        {"unknown variable gives the warning", "<%Missing%>", {}, Unknown + "Missing ***"},
        {"overlapping delimiters name the empty variable", "<%>", {{"", "E"}}, "E"},
        {"every placeholder once, in place", "s<%a%>m<%a%>e", {{"a", "AB"}}, "sABmABe"},
        {"non-ASCII bytes pass through", "<%t%>\xD0\x9A", {{"t", "\xCA\xED"}}, "\xCA\xED\xD0\x9A"},
    };
    for (const ExpansionCase& c : cases)
        EXPECT_EQ(ExpandTemplate(c.templateText, c.variables), c.expected) << c.name;
}

TEST(ExpandTemplate, templateItselfIsNotChanged) {
    const std::string templateText = "<%DivID%>";
    const std::string copy = templateText;
    ExpandTemplate(templateText, {{"DivID", "ch1"}});
    EXPECT_EQ(templateText, copy);
}

}  // namespace
