#pragma once
// Qt's own texts (file, print and message dialogs, the browser's menu) in Russian.
#include <vector>

class QCoreApplication;
class QTranslator;

// Loads Qt's Russian catalogues from Qt's translations folder and installs them into app
// (which owns them); also makes Russian the default locale, which the browser engine takes
// for its own pages. Must run before the first browser exists. Returns what was installed.
std::vector<QTranslator*> InstallQtTranslations(QCoreApplication& app);
