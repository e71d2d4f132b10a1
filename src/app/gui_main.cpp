// orelia: the desktop application. One main window; "--demo" runs on simulated suppliers
// with settings of its own.
#include "app/AppServices.h"
#include "ui/ContentView.h"
#include "ui/FeedbackSheet.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orelia"));
    QCoreApplication::setApplicationName(QStringLiteral("Orelia"));
    // No display name: Qt would append " — Orelia" to the window title, which already names it.
    QGuiApplication::setDesktopFileName(QStringLiteral("orelia"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/orelia/orelia.svg")));

    QCommandLineParser parser;
    parser.setApplicationDescription(MainWindow::tagLine());
    parser.addHelpOption();
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
    window.contentView()->attachSheet(ContentView::Sheet::feedback, [&](QWidget* parent) {
        return new FeedbackSheet(services.feedbackTransport(), parent);
    });
    window.show();
    return QApplication::exec();
}
