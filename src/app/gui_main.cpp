// orelia: the desktop application. One main window; "--demo" runs on simulated suppliers
// with settings of its own.
#include "app/AppServices.h"
#include "cart/PFCartFreshnessChecker.h"
#include "core/AppVersion.h"
#include "ui/CartSheet.h"
#include "ui/ContentView.h"
#include "ui/FeedbackSheet.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTextStream>

#include <cstring>

namespace {

// A coroutine of its own rather than a lambda's: its frame outlives the sheet's function object.
QCoro::Task<PFCartFreshnessMap> checkGroup(AppServices& services, SupplierCartGroup group) {
    PFCartFreshnessChecker checker = services.cartFreshnessChecker();
    auto task = checker.check(std::move(group));
    co_return co_await std::move(task);
}

} // namespace

int main(int argc, char** argv) {
    // Answered before QApplication, which needs a display: "orelia --version" works over ssh too.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            QTextStream(stdout) << AppVersion::versionLine() << u'\n';
            return 0;
        }
    }

    QApplication app(argc, argv);
    // Settings live under organisation and application "Orelia"; the window class (StartupWMClass)
    // is the application name, the Wayland app id the desktop file id.
    QCoreApplication::setOrganizationName(AppVersion::applicationName());
    QCoreApplication::setApplicationName(AppVersion::applicationName());
    QCoreApplication::setApplicationVersion(AppVersion::displayText());
    QGuiApplication::setApplicationDisplayName(AppVersion::applicationName());
    QGuiApplication::setDesktopFileName(AppVersion::desktopFileId());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/orelia/orelia.svg")));

    QCommandLineParser parser;
    parser.setApplicationDescription(MainWindow::tagLine());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Демо-режим: учебные поставщики и отдельные настройки."));
    parser.addOption(demo);
    parser.process(app);

    AppServices::Options options;
    options.demo = parser.isSet(demo);
    AppServices services(options);

    MainWindow window(services.supplierPreferences(), services.searchConnectors(), services.userDefaults(),
                      services.cartStore());
    window.setDemoMode(services.isDemo());
    window.contentView()->attachSheet(ContentView::Sheet::cart, [&](QWidget* parent) {
        CartSheet::CheckFunction check = [&services](SupplierCartGroup group) {
            return checkGroup(services, std::move(group));
        };
        return new CartSheet(services.cartStore(), std::move(check), parent);
    });
    window.contentView()->attachSheet(ContentView::Sheet::feedback, [&](QWidget* parent) {
        return new FeedbackSheet(services.feedbackTransport(), parent);
    });
    window.show();
    return QApplication::exec();
}
