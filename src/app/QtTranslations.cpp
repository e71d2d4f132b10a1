#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace QtTranslations {

namespace {

void load(const QString& catalogue, const QString& folder) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale::system(), catalogue, QStringLiteral("_"), folder) ||
        translator->load(QLocale(QLocale::Russian, QLocale::Russia), catalogue, QStringLiteral("_"), folder))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace

void install() {
    load(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    // Debian's qtkeychain-qt6 keeps its catalogues apart from Qt's.
    load(QStringLiteral("qtkeychain"), QStringLiteral("/usr/share/qt6keychain/translations"));
}

} // namespace QtTranslations
