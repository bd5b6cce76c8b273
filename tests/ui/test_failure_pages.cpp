// A book that cannot be shown says why in the browser pane: the file and the cause, escaped.
#include <QTreeWidget>

#include "Notice.h"

#include "mainwindow_test_util.h"

namespace {

const QByteArray GoodService =
    R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)"
    R"(<xsl:template match="/"><menu><listitem id="a">A</listitem></menu></xsl:template></xsl:stylesheet>)";

// A book in a folder whose name needs escaping; each case spoils one file of it.
class TBrokenBook {
public:
    TBrokenBook() {
        Root = Dir.path() + QStringLiteral("/книга <i>");
        QString service = Root + "/service.xslt";
        service.replace('/', '\\');
        WriteTextFile(Root + "/intro.ini",
                      "[BasicParams]\r\nRootPath=.\\\r\nServiceXSLTFile=" + service.toUtf8() + "\r\n");
        WriteTextFile(Root + "/data/book.xml", "<book/>");
        WriteTextFile(Root + "/shemes/book.xsltt", FixturePageTemplate);
        WriteTextFile(Root + "/service.xslt", GoodService);
    }
    void Write(const char* file, const QByteArray& bytes) { WriteTextFile(Root + "/" + file, bytes); }
    void Remove(const char* file) { QFile::remove(Root + "/" + file); }
    std::string Descriptor() const { return (Root + "/intro.ini").toStdString(); }

private:
    QTemporaryDir Dir;
    QString Root;
};

using FailurePageTest = MainWindowTest;

TEST_F(FailurePageTest, EachBrokenFileIsNamedWithItsCause) {
    struct Case {
        const char* name;
        std::function<void(TBrokenBook&)> spoil;
        const char* says;
        const char* file;
    };
    const Case cases[] = {
        {"missing book.xml", [](TBrokenBook& b) { b.Remove("data/book.xml"); }, "Не найден файл книги.",
         "data/book.xml"},
        // A failed run names the file at fault with its line and column, not the stylesheet that read it.
        {"malformed book.xml", [](TBrokenBook& b) { b.Write("data/book.xml", "<book>\n<p></book>"); },
         "ошибка преобразования", "data/book.xml:2:11"},
        {"broken module of the service stylesheet",
         [](TBrokenBook& b) {
             b.Write("service.xslt", QByteArray(GoodService).replace("<xsl:template", "<xsl:import href=\"m.xsl\"/><xsl:template"));
             b.Write("m.xsl", "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n\n<x");
         },
         "ошибка преобразования", "m.xsl:3:3"},
        {"missing service stylesheet", [](TBrokenBook& b) { b.Remove("service.xslt"); },
         "Не найдена служебная таблица стилей.", "service.xslt"},
        {"broken service stylesheet", [](TBrokenBook& b) { b.Write("service.xslt", "<xsl:stylesheet"); },
         "ошибка преобразования", "service.xslt:1:16"},
        {"contents without entries",
         [](TBrokenBook& b) {
             b.Write("service.xslt", QByteArray(GoodService).replace("<listitem id=\"a\">A</listitem>", ""));
         },
         "не дала ни одного раздела оглавления", "service.xslt"},
        {"missing template", [](TBrokenBook& b) { b.Remove("shemes/book.xsltt"); }, "Не найден шаблон страницы.",
         "shemes/book.xsltt"},
    };
    Show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBrokenBook book;
        c.spoil(book);
        EXPECT_TRUE(Open(book.Descriptor()));
        ASSERT_TRUE(PageShows(QString::fromUtf8(c.says))) << Page().toStdString();
        EXPECT_TRUE(Page().contains(QStringLiteral("книга <i>/") + c.file))
            << "the file, escaped: " << Page().toStdString();
        EXPECT_FALSE(Page().contains("Document is empty"));
        EXPECT_TRUE(Log().contains(QString::fromUtf8(c.says))) << "the log says it too";
    }
}

// A part whose run fails is named the same way: the template, a module it imports, or book.xml
// spoiled after the contents were made.
TEST_F(FailurePageTest, APartThatFailsNamesItsFile) {
    struct Case {
        const char* name;
        std::function<void(TBrokenBook&)> spoil;
        const char* file;
    };
    const QByteArray importing =
        QByteArray(FixturePageTemplate).replace("<xsl:output", "<xsl:import href=\"m.xsl\"/><xsl:output");
    const Case cases[] = {
        {"malformed template", [](TBrokenBook& b) { b.Write("shemes/book.xsltt", "<xsl:stylesheet version=\"1.0\""); },
         "shemes/book.xsltt:1:30"},
        {"broken module of the template",
         [&](TBrokenBook& b) {
             b.Write("shemes/book.xsltt", importing);
             b.Write("m.xsl", "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n<x");
         },
         "m.xsl:2:3"},  // a module is found beside the book, as the template is expanded there
        {"book.xml spoiled after the contents",
         [](TBrokenBook& b) { b.Write("data/book.xml", "<book>\n\n<p></book>"); }, "data/book.xml:3:11"},
    };
    Show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBrokenBook book;
        EXPECT_TRUE(Open(book.Descriptor()));
        ASSERT_TRUE(PageShows("PART[a]"));
        c.spoil(book);
        frm->act_ReloadBookXSLTFile->trigger();
        EXPECT_TRUE(ShowPart("a"));
        ASSERT_TRUE(PageShows(QStringLiteral("Страница не построена: ошибка преобразования."))) << Page().toStdString();
        EXPECT_TRUE(Page().contains(QStringLiteral("книга <i>/") + c.file)) << Page().toStdString();
        EXPECT_TRUE(Log().contains(QStringLiteral("Страница не построена")));
    }
}

// A root that is the disk, the home folder or lies outside the book would open every file to
// the book's pages: such a book is not opened.
TEST_F(FailurePageTest, ARootWiderThanTheBookIsRefused) {
    Show();
    for (const QByteArray& root : {QByteArray("\\"), QByteArray("..\\..\\..\\..\\..\\..\\..\\..\\"),
                                  QFile::encodeName(QDir::homePath()), QByteArray("shemes\\")}) {
        SCOPED_TRACE(root.toStdString());
        TBrokenBook book;
        book.Write("intro.ini", "[BasicParams]\r\nRootPath=" + root + "\r\n");
        EXPECT_TRUE(Open(book.Descriptor()));
        ASSERT_TRUE(PageShows(QStringLiteral("недопустимая корневая папка"))) << Page().toStdString();
        EXPECT_TRUE(Page().contains("RootPath"));
        EXPECT_EQ(frm->tv_TOC->topLevelItemCount(), 0);  // no contents were made
    }
}

// A document that is missing or no descriptor at all (empty, binary, without [BasicParams])
// is named with what is wrong: in the pane when no book is open, else in a notice beside the
// open book, which stays. None of them opens the program's own guide.
TEST_F(FailurePageTest, ADocumentThatIsNoBookSaysWhyUnlessABookIsOnView) {
    QStringList notices;
    SetNoticeReporter([&](const QString& message) { notices << message; });
    QTemporaryDir dir;
    const QString noBasic = QStringLiteral("Файл не является описателем книги: в нём нет раздела [BasicParams].");
    struct TCase {
        const char* name;
        QByteArray bytes;  // null: the file does not exist
        QString said;
    };
    const TCase cases[] = {
        {"missing.ini", QByteArray(), "Документ не найден."},
        {"empty.ini", "", noBasic},
        {"binary.ini", QByteArray::fromHex("7f454c4602010100000000005bfffe0a3d01"), noBasic},
        {"other.ini", "[TemplateVariables]\nv=1\n[ControlState]\nOnStartAction=1\n", noBasic},
    };
    Show();
    for (const TCase& c : cases) {
        const QString path = dir.path() + "/<b>/" + c.name;
        if (!c.bytes.isNull()) WriteTextFile(path, c.bytes);
        EXPECT_TRUE(Open(path.toStdString()));
        EXPECT_TRUE(PageShows(c.said)) << c.name << ": " << Page().toStdString();
        EXPECT_TRUE(Page().contains(path)) << c.name;
        EXPECT_EQ(frm->tv_TOC->topLevelItemCount(), 0) << c.name;
    }

    TFixtureBook book;
    EXPECT_TRUE(Open(book.Descriptor()));
    ASSERT_TRUE(PageShows("PART[a]"));
    for (const TCase& c : cases) {
        const QString path = dir.path() + "/<b>/" + c.name;
        notices.clear();
        EXPECT_TRUE(Open(path.toStdString()));
        ASSERT_EQ(notices.size(), 1) << c.name;
        EXPECT_TRUE(notices[0].contains(c.said) && notices[0].contains(path)) << notices[0].toStdString();
        EXPECT_TRUE(Page().contains("PART[a]")) << c.name << ": an open book stays on view";
        EXPECT_TRUE(frm->act_FileCloseBook->isEnabled()) << c.name;
    }
    // Another copy hands over only paths it resolved; a relative one is no book.
    notices.clear();
    frm->OpenHandedOverBook("data\\intro.ini");
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains("не ведёт к книге")) << notices[0].toStdString();
    EXPECT_TRUE(Page().contains("PART[a]"));
    SetNoticeReporter(nullptr);
}

}  // namespace
