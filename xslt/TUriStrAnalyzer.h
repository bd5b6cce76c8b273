#pragma once
// Splits a URI into scheme, authority, path, query and fragment and checks each part
// against the generic URI grammar (ASCII character classes, byte by byte).
#include <string>

class TUriStrAnalyzer {
public:
    std::string Authority;  // without the leading "//"
    std::string Fragment;   // without "#"
    std::string Query;      // without "?"
    std::string Path;
    std::string Scheme;  // without ":"
    bool AuthorityPresent = false;
    bool FragmentPresent = false;
    bool QueryPresent = false;
    bool SchemePresent = false;

    TUriStrAnalyzer();
    virtual ~TUriStrAnalyzer() = default;
    TUriStrAnalyzer(const TUriStrAnalyzer&) = default;
    TUriStrAnalyzer& operator=(const TUriStrAnalyzer&) = default;

    virtual std::string Compose() const;
    // A present part is stored when valid (true); a present invalid part is stored empty
    // with its flag set (false); an absent part is stored empty (true).
    virtual bool SetAuthority(const std::string& value, bool present);
    virtual bool SetFragment(const std::string& value, bool present);
    virtual bool SetPath(const std::string& value);  // stores a valid path, else "" and false
    virtual bool SetQuery(const std::string& value, bool present);
    // Fills every part from the URI; on failure every part is cleared and every flag false.
    virtual bool Parse(const std::string& uri);
    virtual bool SetScheme(const std::string& value, bool present);
};
