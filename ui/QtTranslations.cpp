#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

std::vector<QTranslator*> InstallQtTranslations(QCoreApplication& app) {
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    QLocale::setDefault(russian);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    std::vector<QTranslator*> installed;
    for (const char* catalogue : {"qtbase", "qtwebengine"}) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(russian, QLatin1String(catalogue), QStringLiteral("_"), folder) ||
            !QCoreApplication::installTranslator(translator.get()))
            continue;
        translator->setParent(&app);  // owned by the application from here on
        installed.push_back(translator.release());
    }
    return installed;
}
