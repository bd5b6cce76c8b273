#include "TSearchStemmer.h"

namespace {

constexpr std::size_t MaxKnownStems = 200000;

// A Cyrillic letter in UTF-8 starts with a lead byte 0xD0..0xD4 (U+0400..U+052F).
bool HasCyrillic(const std::string& word) {
    for (unsigned char c : word)
        if (c >= 0xD0 && c <= 0xD4) return true;
    return false;
}

}  // namespace

TSearchStemmer::TSearchStemmer() : Russian("russian"), English("english") {}

std::string TSearchStemmer::operator()(const std::string& word) {
    const auto known = Stems.find(word);
    if (known != Stems.end()) return known->second;
    const std::string folded = FoldYo(word);
    std::string stem = HasCyrillic(folded) ? Russian(folded) : English(folded);
    if (Stems.size() >= MaxKnownStems) Stems.clear();  // bounded: a book of random strings cannot grow it
    Stems.emplace(word, stem);
    return stem;
}

std::string TSearchStemmer::get_description() const { return "tomeria russian+english"; }

Xapian::Stem TSearchStemmer::Make() { return Xapian::Stem(new TSearchStemmer); }

std::string FoldYo(std::string text) {
    // "ё" is D1 91 and "е" D0 B5; "Ё" is D0 81 and "Е" D0 95: the same length, so in place.
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if (lead == 0xD1 && next == 0x91) {
            text[i] = static_cast<char>(0xD0);
            text[i + 1] = static_cast<char>(0xB5);
        } else if (lead == 0xD0 && next == 0x81) {
            text[i + 1] = static_cast<char>(0x95);
        }
    }
    return text;
}
