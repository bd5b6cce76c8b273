// Books whose root is given relative to the descriptor, and pages that address the book's
// files by the rooted backslash paths of the template variables.
#include <QBuffer>
#include <QImage>
#include <filesystem>
#include <fstream>

#include "TBookSchemeHandler.h"
#include "mainwindow_test_util.h"

namespace {

TEST(BookFilePath, EscapedRootedBackslashPathsNameTheRootedFile) {
    const std::pair<const char*, const char*> cases[] = {
        {"/b/pg/other.html", "/b/pg/other.html"},
        {"/b/pg/\\b\\pg\\data\\images/fig.svg", "/b/pg/data/images/fig.svg"},  // a mix, as templates write
        {"/b/pg/\\b\\pg\\data\\images\\fig.svg", "/b/pg/data/images/fig.svg"},
        {"/b/pg/data\\images\\fig.svg", "/b/pg/data/images/fig.svg"},  // relative, with backslashes
        {"/b/pg/sub/\\b\\pg\\x.png", "/b/pg/x.png"},                   // from a page in a subfolder
        {"/b/pg/\\b\\pg\\data\\..\\x.png", "/b/pg/x.png"},
    };
    for (const auto& [urlPath, file] : cases)
        EXPECT_EQ(TBookSchemeHandler::FilePathOf(QString::fromUtf8(urlPath)), QString::fromUtf8(file)) << urlPath;
}

using BookPathsTest = MainWindowTest;

// The descriptor sits in the book's data folder and names the root as "..\"; the page shows
// pictures addressed through <%RootPath%> and a TemplatePaths variable, with backslashes.
TEST_F(BookPathsTest, RelativeRootShowsItsPagesAndRootedPicturesLoad) {
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/книга с картинками");
    QString service = root + "/service.xslt";
    service.replace('/', '\\');
    WriteTextFile(root + "/data/intro.ini", "[BasicParams]\r\nRootPath=..\\\r\nServiceXSLTFile=" + service.toUtf8() +
                                                "\r\n[TemplatePaths]\r\nBookData=data\\\r\n");
    WriteTextFile(root + "/data/book.xml", "<book/>");
    for (const auto& [file, width] : {std::pair{"/data/images/fig.png", 7}, std::pair{"/pic.png", 11}}) {
        QDir().mkpath(QFileInfo(root + file).absolutePath());
        QImage image(width, 2, QImage::Format_RGB32);
        image.fill(Qt::blue);
        ASSERT_TRUE(image.save(root + file, "PNG"));
    }
    WriteTextFile(root + "/shemes/book.xsltt", R"(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>
<xsl:template match="/"><html><body><p>PART[<%DivID%>]</p>
<img id="data" src="<%BookData%>images/fig.png"/><img id="root" src="<%RootPath%>pic.png"/>
</body></html></xsl:template></xsl:stylesheet>
)");
    WriteTextFile(root + "/service.xslt",
                  R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)"
                  R"(<xsl:template match="/"><menu><listitem id="a">A</listitem></menu></xsl:template>)"
                  R"(</xsl:stylesheet>)");

    ShowAndOpen((root + "/data/intro.ini").toStdString());
    ASSERT_TRUE(PageShows("PART[a]")) << Log().toStdString();
    TWebBrowser& browser = *frm->wb_Browser;
    auto width = [&](const char* id) {
        return EvalJs(browser, QStringLiteral("document.getElementById('%1').naturalWidth").arg(QLatin1String(id)))
            .toInt();
    };
    EXPECT_TRUE(WaitFor([&] { return width("data") == 7 && width("root") == 11; }))
        << EvalJs(browser, "document.body.innerHTML").toString().toStdString();
}

// A book folder and descriptor whose names are not UTF-8 (a byte 0xFF in the folder's name,
// 0xFE in the descriptor's): the page loads its picture and its style sheet from the folder.
TEST_F(BookPathsTest, FolderAndDescriptorNamedInBytesThatAreNotUtf8ServeTheirOwnFiles) {
    QTemporaryDir dir;
    const std::string root = QFile::encodeName(dir.path()).toStdString() + "/книга-\xff";
    const auto write = [&](const std::string& relative, const QByteArray& bytes) {
        const std::filesystem::path file = root + "/" + relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary).write(bytes.constData(), bytes.size());
    };
    write("intro\xfe.tmr", "[BasicParams]\r\nRootPath=.\\\r\nServiceXSLTFile=service.xslt\r\n");
    write("data/book.xml", "<book/>");
    write("service.xslt", R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)"
                          R"(<xsl:template match="/"><menu><listitem id="a">A</listitem></menu></xsl:template>)"
                          R"(</xsl:stylesheet>)");
    write("shemes/book.xsltt", R"(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>
<xsl:template match="/"><html><head><link rel="stylesheet" href="style.css"/></head>
<body><p id="part">PART[<%DivID%>]</p><img id="pic" src="images/fig.png"/></body></html></xsl:template>
</xsl:stylesheet>
)");
    write("style.css", "p#part { color: rgb(1, 2, 3); }");
    QImage image(7, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"));
    write("images/fig.png", png);

    ShowAndOpen(root + "/intro\xfe.tmr");
    ASSERT_TRUE(PageShows("PART[a]")) << Log().toStdString();
    TWebBrowser& browser = *frm->wb_Browser;
    EXPECT_TRUE(WaitFor([&] {
        return EvalJs(browser, "document.getElementById('pic').naturalWidth").toInt() == 7 &&
               EvalJs(browser, "getComputedStyle(document.getElementById('part')).color").toString() == "rgb(1, 2, 3)";
    })) << EvalJs(browser, "document.URL").toString().toStdString();
}

}  // namespace
