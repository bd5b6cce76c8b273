#pragma once
// The stemmer of the search index: Russian words by the Russian stemmer, all others by the
// English one, after "ё" has become "е". Also the folding applied to every text indexed or
// searched.
#include <string>
#include <unordered_map>
#include <xapian.h>

class TSearchStemmer : public Xapian::StemImplementation {
public:
    TSearchStemmer();
    std::string operator()(const std::string& word) override;
    std::string get_description() const override;

    // A Xapian::Stem that owns a new stemmer of this kind.
    static Xapian::Stem Make();

private:
    Xapian::Stem Russian;
    Xapian::Stem English;
    // Words recur throughout a book: each distinct word is stemmed once.
    std::unordered_map<std::string, std::string> Stems;
};

// "ё" and "Ё" replaced by "е" and "Е" in UTF-8 text; both spellings then index and match alike.
std::string FoldYo(std::string text);
