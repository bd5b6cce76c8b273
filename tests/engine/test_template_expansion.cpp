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

TEST(ExpandTemplate, replacesEachPlaceholderByItsVariableOrAWarning) {
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

// The book's one template is expanded again for every part; nothing of one part stays for the next.
TEST(ExpandTemplate, theSameTemplateServesEveryPartInTurn) {
    const std::string templateText = "<xsl:param name=\"id\" select=\"'<%DivID%>'\"/>";
    EXPECT_EQ(ExpandTemplate(templateText, {{"DivID", "ch1"}}), "<xsl:param name=\"id\" select=\"'ch1'\"/>");
    EXPECT_EQ(ExpandTemplate(templateText, {{"DivID", "ch2"}}), "<xsl:param name=\"id\" select=\"'ch2'\"/>");
    EXPECT_EQ(ExpandTemplate(templateText, {}), "<xsl:param name=\"id\" select=\"'" + Unknown + "DivID ***'\"/>");
}

}  // namespace
