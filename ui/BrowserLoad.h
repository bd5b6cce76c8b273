#pragma once
// Putting HTML into a browser control, and the URL schemes the browser must know.
#include <string>

class TWebBrowser;

// Registers the internal link scheme "tomeri" and the scheme the written pages and the
// book's files are served from. Must run before the application object exists.
void RegisterBrowserSchemes();

// Replaces the browser's page by html. When the browser has no document yet it first
// navigates to "about:blank" and waits (bounded) for that document. encoding names the
// encoding of the bytes of html (e.g. "UTF-8", "windows-1251").
void LoadHtmlIntoBrowser(const std::string& html, TWebBrowser& browser, const std::string& encoding = "UTF-8");
