// The whole-book check over a small book that carries one of each fault.
#include <gtest/gtest.h>

#include <filesystem>

#include "TBookCheck.h"
#include "TTempDir.h"

namespace {

const std::filesystem::path CheckBook = std::filesystem::path(TOMERIA_SOURCE_DIR) / "tests/data/check-book";

struct TExpected {
    TCheckProblemKind Kind;
    std::string File;  // below the fixture's folder
    long Line;
    std::string PartId;
    std::string InMessage;
};

class BookCheckTest : public ::testing::Test {
protected:
    void SetUp() override { InitDefaultSettings(Settings, Dir.Os("prog")); }

    TBookCheckReport Check(const std::string& descriptor, const TStopToken& stop = {},
                           const TCheckProgress& progress = {}) {
        return TBookCheck((CheckBook / descriptor).string(), Settings).Run(stop, progress);
    }

    // Each expected problem is found exactly once, and nothing else is.
    static void ExpectProblems(const TBookCheckReport& report, const std::vector<TExpected>& expected) {
        for (const TExpected& e : expected) {
            const std::string file = (CheckBook / e.File).lexically_normal().string();
            const auto count = std::count_if(report.Problems.begin(), report.Problems.end(), [&](const auto& p) {
                return p.Kind == e.Kind && p.File == file && p.Line == e.Line && p.PartId == e.PartId &&
                       p.Message.find(e.InMessage) != std::string::npos;
            });
            EXPECT_EQ(count, 1) << e.File << ":" << e.Line << " " << e.InMessage;
        }
        std::string all;
        for (const TCheckProblem& p : report.Problems) all += p.Printable() + "\n";
        EXPECT_EQ(report.Problems.size(), expected.size()) << all;
    }

    TTempDir Dir;
    TSettings Settings;
};

TEST_F(BookCheckTest, findsEachFaultOfABookWithItsPlace) {
    using K = TCheckProblemKind;
    std::vector<std::size_t> totals;
    const TBookCheckReport report =
        Check("data/book.ini", {}, [&](std::size_t, std::size_t total) { totals.push_back(total); });
    ASSERT_TRUE(report.Checked);
    ExpectProblems(report, {
                               {K::DuplicateId, "data/book.xml", 14, "", "«twice»"},
                               {K::DuplicateId, "data/book.xml", 15, "", "«links»"},  // an xml:id
                               {K::NoCaption, "data/book.xml", 17, "untitled", "«untitled»"},
                               {K::BrokenLink, "data/book.xml", 4, "links", "«ghost»"},
                               {K::MissingResource, "data/book.xml", 8, "files", "pictures/absent.png"},
                               {K::OutsideBook, "data/book.xml", 9, "files", "outside.png"},
                               {K::MissingResource, "data/book.xml", 10, "files", "pictures/gone.png"},
                               {K::MissingResource, "data/book.xml", 11, "files", "pictures/also-gone.png"},
                               {K::PartWarning, "shemes/module.xsl", 7, "warns", "Раздел ещё не дописан"},
                               {K::PartFailed, "shemes/module.xsl", 11, "fails", "Раздел нельзя построить"},
                           });
    EXPECT_EQ(report.PartCount, 6u);
    EXPECT_TRUE(report.OneParse);
    ASSERT_EQ(report.Slowest.size(), 5u);
    EXPECT_GE(report.Slowest[0].Time, report.Slowest[4].Time);
    ASSERT_FALSE(totals.empty());
    EXPECT_EQ(totals.back(), 6u);
}

TEST_F(BookCheckTest, findsFilesThatAreMissingOrDoNotParse) {
    using K = TCheckProblemKind;
    const TBookCheckReport report = Check("data/broken.ini");
    ASSERT_TRUE(report.Checked);
    const std::string service = Dir.Os("prog/data/absent.xslt");
    // The first error of each file, with its line and column.
    ExpectProblems(report, {
                               {K::Descriptor, "data/broken.ini", 5, "", "ServiceXSLTFile"},
                               {K::NotParsed, "shemes/broken.xsltt", 4, "", "html line 4 and body"},
                               {K::NotParsed, "data/broken.xml", 4, "", "p line 4 and part"},
                               {K::Contents, std::filesystem::relative(service, CheckBook).string(), 1, "", ""},
                           });
    for (const TCheckProblem& p : report.Problems)
        if (p.Kind == K::NotParsed) {
            EXPECT_GT(p.Column, 0) << p.Printable();
        }
}

TEST_F(BookCheckTest, aMissingDescriptorCannotBeCheckedAndAStopEndsTheRun) {
    const TBookCheckReport missing = Check("data/none.ini");
    EXPECT_FALSE(missing.Checked);
    ASSERT_EQ(missing.Problems.size(), 1u);

    TStopToken stop;
    stop.Trip();
    const TBookCheckReport stopped = Check("data/book.ini", stop);
    EXPECT_TRUE(stopped.Stopped);
    EXPECT_EQ(stopped.PartCount, 0u);
    EXPECT_TRUE(stopped.Problems.empty()) << stopped.Problems.front().Printable();
}

TEST(CheckProblem, printableFormLeavesOutWhatIsUnknown) {
    const std::pair<TCheckProblem, std::string> cases[] = {
        {{TCheckProblemKind::NotParsed, "/b/book.xml", 4, 24, "", "текст"}, "/b/book.xml:4:24: текст"},
        {{TCheckProblemKind::BrokenLink, "/b/book.xml", 4, 0, "p", "текст"}, "/b/book.xml:4: текст"},
        {{TCheckProblemKind::Contents, "/b/s.xslt", 0, 7, "", "текст"}, "/b/s.xslt: текст"},
        {{TCheckProblemKind::Descriptor, "", 0, 0, "", "текст"}, "текст"},
    };
    for (const auto& [problem, printable] : cases) EXPECT_EQ(problem.Printable(), printable);
}

}  // namespace
