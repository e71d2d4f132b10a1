// orelia: the desktop application. One main window; "--demo" runs on simulated suppliers
// with settings of its own.
#include "app/AppServices.h"
#include "ui/ContentView.h"
#include "ui/FeedbackSheet.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QPalette>

namespace {

// ORELIA_PALETTE=dark: the Fusion style with a dark palette, to see the dark look on desktops
// that have no dark theme for Qt (checks, screenshots).
void applyPaletteFromEnvironment() {
    if (qEnvironmentVariable("ORELIA_PALETTE") != u"dark")
        return;
    QApplication::setStyle(QStringLiteral("Fusion"));
    QPalette dark;
    const QColor window(45, 45, 48);
    const QColor base(30, 30, 32);
    const QColor text(230, 230, 230);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, QColor(40, 40, 43));
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::ToolTipBase, base);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::PlaceholderText, QColor(150, 150, 155));
    dark.setColor(QPalette::Highlight, QColor(53, 132, 228));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(120, 170, 255));
    dark.setColor(QPalette::Light, QColor(70, 70, 74));
    dark.setColor(QPalette::Midlight, QColor(58, 58, 62));
    dark.setColor(QPalette::Mid, QColor(38, 38, 40));
    dark.setColor(QPalette::Dark, QColor(25, 25, 27));
    dark.setColor(QPalette::Shadow, QColor(10, 10, 10));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(120, 120, 125));
    QApplication::setPalette(dark);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orelia"));
    QCoreApplication::setApplicationName(QStringLiteral("Orelia"));
    // No display name: Qt would append " — Orelia" to the window title, which already names it.
    QGuiApplication::setDesktopFileName(QStringLiteral("orelia"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/orelia/orelia.svg")));
    applyPaletteFromEnvironment();

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
