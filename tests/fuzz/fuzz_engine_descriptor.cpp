// Reads arbitrary bytes as a book descriptor and expands a template with the variables it
// gives. Whatever the bytes, the book's three files come out as "file" URIs and the last
// variable is the root folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "BookDescriptor.h"
#include "IniFile.h"
#include "TemplateExpansion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static const TSettings settings = [] {
        TSettings s;
        InitDefaultSettings(s, "/nonexistent/tomeria");
        return s;
    }();
    TBookInfo book;
    SetBookDefaults(book, settings);
    book.DescriptorFile = "\\nonexistent\\books\\atlas\\intro.ini";
    ReadBookDescriptorFrom(TIniFile::FromText(text), book, settings);

    for (const std::string* uri : {&book.BookXMLFName, &book.BookXSLTTFName, &book.ServiceXSLTFile})
        if (uri->rfind("file://", 0) != 0) std::abort();
    if (book.TemplateParams.empty() || book.TemplateParams.back().Name != "RootPath" ||
        book.TemplateParams.back().Value != book.RootPath)
        std::abort();

    // The descriptor's own bytes as a template: every placeholder is replaced, none invented.
    const std::string expanded = ExpandTemplate(std::string(text), book.TemplateParams);
    (void)expanded;
    return 0;
}
