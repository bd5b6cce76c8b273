#include "TSearchIndex.h"

#include <xapian.h>  // before any Qt header: Qt defines "slots"

#include <QCryptographicHash>
#include <set>
#include <unordered_set>

#include "TSearchStemmer.h"

namespace {

// Caption words count this many times a word of the text, so a part named after the words
// ranks above one that only mentions them.
constexpr Xapian::termcount CaptionWeight = 8;
constexpr std::size_t SnippetBytes = 240;

// Function words of both languages, left out of queries so "как создать указатель" asks
// for the words that matter. Written with "е" for "ё", as queries are folded.
const char* const StopWords[] = {
    "и",     "в",      "во",    "не",  "что",  "он",  "на",   "я",    "с",    "со",    "как",   "а",    "то",
    "все",   "она",    "так",   "его", "но",   "да",  "ты",   "к",    "у",    "же",    "вы",    "за",   "бы",
    "по",    "только", "ее",    "мне", "было", "вот", "от",   "меня", "еще",  "нет",   "о",     "об",   "из",
    "ему",   "когда",  "даже",  "ли",  "если", "уже", "или",  "ни",   "быть", "был",   "до",    "вас",  "там",
    "для",   "мы",     "их",    "чем", "была", "без", "чего", "тоже", "под",  "будет", "тогда", "кто",  "этот",
    "того",  "этого",  "какой", "при", "про",  "это", "эти",  "где",  "есть", "через", "a",     "an",   "and",
    "are",   "as",     "at",    "be",  "by",   "do",  "does", "for",  "from", "how",   "i",     "if",   "in",
    "into",  "is",     "it",    "of",  "on",   "or",  "the",  "this", "that", "to",    "was",   "what", "when",
    "where", "which",  "who",   "why", "with", "can",
};

const Xapian::SimpleStopper& Stopper() {
    static const Xapian::SimpleStopper stopper(std::begin(StopWords), std::end(StopWords));
    return stopper;
}

// The unique term of a part. Long ids are hashed: a term holds at most 245 bytes.
std::string IdTerm(const std::string& id) {
    if (id.size() <= 200) return "Q" + id;
    return "QH" +
           QCryptographicHash::hash(QByteArray::fromStdString(id), QCryptographicHash::Sha1).toHex().toStdString();
}

struct TStoredPart {
    std::string Id;
    std::string Caption;
    std::string Text;
};

// Document data: id, caption and text, separated by NUL bytes (none of them holds one).
std::string PackPart(const std::string& id, const std::string& caption, const std::string& text) {
    return id + '\0' + caption + '\0' + text;
}

TStoredPart UnpackPart(const std::string& data) {
    TStoredPart part;
    const std::size_t first = data.find('\0');
    const std::size_t second = first == std::string::npos ? first : data.find('\0', first + 1);
    part.Id = data.substr(0, first);
    if (first != std::string::npos) part.Caption = data.substr(first + 1, second - first - 1);
    if (second != std::string::npos) part.Text = data.substr(second + 1);
    return part;
}

std::size_t CharCount(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++count;
    return count;
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

}  // namespace

TSearchIndex::TSearchIndex(const Xapian::Database& database) : Database(std::make_unique<Xapian::Database>(database)) {}

TSearchIndex::~TSearchIndex() = default;

std::size_t TSearchIndex::PartCount() const { return Database->get_doccount(); }

std::unique_ptr<TSearchIndex> TSearchIndex::OpenFolder(const std::string& folder) {
    return std::make_unique<TSearchIndex>(Xapian::Database(folder, Xapian::DB_BACKEND_GLASS));
}

bool TSearchIndex::Fill(Xapian::WritableDatabase& db, const std::vector<TSearchEntry>& entries,
                        const std::unordered_map<std::string, std::string>& texts, const std::atomic<bool>& cancel,
                        const std::function<void(std::size_t, std::size_t)>& progress) {
    Xapian::TermGenerator generator;
    generator.set_stemmer(TSearchStemmer::Make());
    generator.set_stemming_strategy(Xapian::TermGenerator::STEM_SOME);
    std::unordered_set<std::string> seen;
    static const std::string NoText;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (cancel) return false;
        const TSearchEntry& entry = entries[i];
        // An id listed twice in the contents names the same part: it is indexed once.
        if (!seen.insert(entry.Id).second) continue;
        const auto found = texts.find(entry.Id);
        const std::string& text = found == texts.end() ? NoText : found->second;
        Xapian::Document doc;
        generator.set_document(doc);
        generator.index_text(FoldYo(entry.Caption), CaptionWeight);
        generator.increase_termpos();  // no phrase runs from the caption into the text
        generator.index_text(FoldYo(text));
        doc.set_data(PackPart(entry.Id, entry.Caption, text));
        doc.add_boolean_term(IdTerm(entry.Id));
        db.add_document(doc);
        if (progress) progress(i + 1, entries.size());
    }
    return true;
}

Xapian::Query TSearchIndex::ParseQuery(const std::string& query, std::string& error) const {
    if (IsBlank(query)) {
        error = "Введите слова для поиска.";
        return {};
    }
    if (CharCount(query) > MaxQueryLength) {
        error = "Запрос длиннее " + std::to_string(MaxQueryLength) + " знаков; сократите его.";
        return {};
    }
    Xapian::QueryParser parser;
    parser.set_stemmer(TSearchStemmer::Make());
    parser.set_stemming_strategy(Xapian::QueryParser::STEM_SOME);
    parser.set_stopper(&Stopper());
    parser.set_default_op(Xapian::Query::OP_AND);
    parser.set_database(*Database);
    Xapian::Query parsed;
    try {
        // Lower case first: the parser leaves capitalised words unstemmed.
        parsed = parser.parse_query(Xapian::Unicode::tolower(FoldYo(query)),
                                    Xapian::QueryParser::FLAG_PHRASE | Xapian::QueryParser::FLAG_LOVEHATE);
    } catch (const Xapian::QueryParserError& e) {
        error = "Запрос не понят: " + e.get_msg();
        return {};
    }
    if (parsed.empty()) error = "В запросе нет слов для поиска.";
    return parsed;
}

TSearchResult TSearchIndex::Search(const std::string& query, std::size_t maxHits, const std::string& markStart,
                                   const std::string& markEnd) const {
    TSearchResult result;
    try {
        const Xapian::Query parsed = ParseQuery(query, result.Error);
        if (!result.Error.empty()) return result;
        Xapian::Enquire enquire(*Database);
        enquire.set_query(parsed);
        const Xapian::MSet matches = enquire.get_mset(0, static_cast<Xapian::doccount>(maxHits));
        result.Total = matches.get_matches_estimated();
        const Xapian::Stem stemmer = TSearchStemmer::Make();
        for (auto it = matches.begin(); it != matches.end(); ++it) {
            TStoredPart part = UnpackPart(it.get_document().get_data());
            TSearchHit hit;
            hit.Snippet = matches.snippet(part.Text, SnippetBytes, stemmer,
                                          Xapian::MSet::SNIPPET_BACKGROUND_MODEL | Xapian::MSet::SNIPPET_EXHAUSTIVE,
                                          markStart, markEnd, "…");
            hit.Id = std::move(part.Id);
            hit.Caption = std::move(part.Caption);
            hit.Percent = it.get_percent();
            result.Hits.push_back(std::move(hit));
        }
    } catch (const Xapian::Error& e) {
        result.Hits.clear();
        result.Error = "Ошибка поиска: " + e.get_msg();
    }
    return result;
}

std::vector<std::string> TSearchIndex::MatchedWords(const std::string& query, const std::string& id) const {
    std::vector<std::string> words;
    try {
        std::string error;
        const Xapian::Query parsed = ParseQuery(query, error);
        Xapian::PostingIterator posting = Database->postlist_begin(IdTerm(id));
        if (!error.empty() || posting == Database->postlist_end(IdTerm(id))) return words;
        const Xapian::docid did = *posting;
        Xapian::Enquire enquire(*Database);
        enquire.set_query(parsed);
        const std::set<std::string> terms(enquire.get_matching_terms_begin(did), enquire.get_matching_terms_end(did));
        if (terms.empty()) return words;
        const TStoredPart part = UnpackPart(Database->get_document(did).get_data());
        TSearchStemmer stem;
        std::set<std::string> seen;
        // Words as the term generator splits them: runs of word characters.
        for (const std::string& text : {part.Caption, part.Text}) {
            std::string word;
            for (Xapian::Utf8Iterator it(text);; ++it) {
                const bool end = it == Xapian::Utf8Iterator();
                if (!end && Xapian::Unicode::is_wordchar(*it)) {
                    Xapian::Unicode::append_utf8(word, *it);
                    continue;
                }
                if (!word.empty() && seen.insert(word).second) {
                    const std::string folded = Xapian::Unicode::tolower(FoldYo(word));
                    if (terms.count(folded) || terms.count("Z" + stem(folded))) words.push_back(word);
                }
                word.clear();
                if (end) break;
            }
        }
    } catch (const Xapian::Error&) {
        words.clear();  // highlighting is a help, not a need: no words, no marks
    }
    return words;
}
