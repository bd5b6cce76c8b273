#pragma once
// What a book page may load and where it may go. A book page reads only the files of its
// book, through the page scheme, and reaches no network address on its own; a web link
// the reader clicks is still followed, and a web page reached that way works as usual.
#include <QString>
#include <QUrl>

// http and https.
bool IsWebUrl(const QUrl& url);

// A resource a page loads by itself (image, style, script, frame, fetch, socket...):
// firstParty is the address of the top-level page it loads for.
bool MayPageLoad(const QUrl& request, const QUrl& firstParty, bool mainFrame);

enum class TNavigationVerdict {
    Follow,       // let it go to the before-navigate event and the engine
    BookFile,     // a file: address: follow it only when it names a file of the book
    RefuseWeb,    // a web address a script asked for on its own
    RefuseOther,  // any other scheme
};

// A navigation of a page. userGesture: the reader's click or key started it. pageUrl: the
// address of the page the navigating frame belongs to.
TNavigationVerdict JudgeNavigation(const QUrl& url, bool isMainFrame, bool userGesture, const QUrl& pageUrl);

// The log text of a refused navigation or load.
std::string RefusalMessage(TNavigationVerdict verdict, const QUrl& url);
std::string RefusedLoadMessage(const QUrl& url);
