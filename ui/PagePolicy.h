#pragma once
// What a book page may load and where it may go. A book page reads only the files of its
// book, through the page scheme, and reaches no network address: the engine loads no web
// page at all. A web link the reader clicks opens in the desktop's browser.
#include <QString>
#include <QUrl>
#include <string>

// http and https.
bool IsWebUrl(const QUrl& url);

// A resource a page loads by itself (page, image, style, script, frame, fetch, socket...).
bool MayPageLoad(const QUrl& request);

enum class TNavigationVerdict {
    Follow,       // let it go to the before-navigate event and the engine
    BookFile,     // a file: address: follow it only when it names a file of the book
    OpenOutside,  // a web link the reader clicked: the desktop's browser opens it
    RefuseWeb,    // a web address a script asked for on its own
    RefuseOther,  // any other scheme
};

// A navigation of a page. readerClicked: the engine reports a clicked link, and it is the
// link the reader's pointer was on when the reader clicked.
TNavigationVerdict JudgeNavigation(const QUrl& url, bool isMainFrame, bool readerClicked);

// The log text of a refused navigation or load.
std::string RefusalMessage(TNavigationVerdict verdict, const QUrl& url);
std::string RefusedLoadMessage(const QUrl& url);
