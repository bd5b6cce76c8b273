// The book named on the command line: relative, absolute and file:// forms, and what is no book.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QUrl>
#include <filesystem>

#include "DocumentArgument.h"
#include "file_test_util.h"

namespace {

TEST(DocumentArgument, relativeAbsoluteAndFileUriNameTheSameBook) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString() + "/Мои книги/атлас 2";
    std::filesystem::create_directories(folder);
    WriteFile(folder + "/intro.ini", "[BasicParams]\n");
    const std::string expected = folder + "/intro.ini";
    const QString encoded = QString::fromLatin1(QUrl::fromLocalFile(QString::fromStdString(expected)).toEncoded());

    const struct {
        QString Argument;
        QString Current;
    } cases[] = {
        {QString::fromStdString(expected), QStringLiteral("/")},
        {QStringLiteral("атлас 2/intro.ini"), dir.path() + QStringLiteral("/Мои книги")},
        {QStringLiteral("../../Мои книги/./атлас 2/intro.ini"), dir.path() + QStringLiteral("/Мои книги/атлас 2")},
        {encoded, QStringLiteral("/")},  // percent-encoded, as file managers pass it
        {QStringLiteral("file://localhost") + encoded.mid(7), QStringLiteral("/")},
    };
    for (const auto& c : cases) {
        const TDocumentArgument doc = ResolveDocumentArgument(c.Argument, c.Current);
        EXPECT_EQ(doc.Path, expected) << c.Argument.toStdString();
        EXPECT_EQ(doc.Error, "") << c.Argument.toStdString();
    }
}

TEST(DocumentArgument, whatIsNoBookGetsAMessageNamingIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        QString Argument;
        const char* InMessage;
    } cases[] = {
        {QStringLiteral("missing.ini"), "не найден"},
        {dir.path(), "папка"},
        {QStringLiteral("https://example.org/intro.ini"), "только файл на этом компьютере"},
        {QStringLiteral("file://otherhost/intro.ini"), "только файл на этом компьютере"},
        {QString(), "Не указан"},
    };
    for (const auto& c : cases) {
        const TDocumentArgument doc = ResolveDocumentArgument(c.Argument, dir.path());
        EXPECT_EQ(doc.Path, "") << c.Argument.toStdString();
        EXPECT_NE(doc.Error.find(c.InMessage), std::string::npos) << doc.Error;
    }
}

}  // namespace
