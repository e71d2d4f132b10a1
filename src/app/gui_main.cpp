// orelia: the desktop application. One main window; "--demo" runs on simulated suppliers
// with settings of its own.
#include "app/AppServices.h"
#include "app/QtTranslations.h"
#include "batch/BatchPricer.h"
#include "cart/CartVerdicts.h"
#include "cart/PFCartFreshnessChecker.h"
#include "core/AppVersion.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "offertable/CopiedNumber.h"
#include "search/SearchViewModel.h"
#include "ui/BatchSheet.h"
#include "ui/CartSheet.h"
#include "ui/ContentView.h"
#include "ui/FeedbackSheet.h"
#include "ui/FirstPaintProbe.h"
#include "ui/FirstRunView.h"
#include "ui/MainWindow.h"
#include "ui/OfferTableModel.h"
#include "ui/SettingsSheet.h"
#include "ui/SettingsWidgets.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QPalette>
#include <QProcess>
#include <QTextStream>

#include <cstring>

namespace {

// A coroutine of its own rather than a lambda's: its frame outlives the sheet's function object.
QCoro::Task<PFCartFreshnessMap> checkGroup(AppServices& services, SupplierCartGroup group) {
    PFCartFreshnessChecker checker = services.cartFreshnessChecker();
    auto task = checker.check(std::move(group));
    co_return co_await std::move(task);
}

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

QString helpText() {
    return QStringLiteral("Использование: orelia [--demo]\n"
                          "orelia — проценка автозапчастей у всех ваших поставщиков в одном окне.\n"
                          "\n"
                          "Параметры:\n"
                          "  --demo         демо-режим: учебные поставщики, демо-учётные данные и отдельные\n"
                          "                 настройки; ваши настройки и пароли не затрагиваются\n"
                          "  -h, --help     эта справка\n"
                          "  -v, --version  версия программы и сборка\n"
                          "\n"
                          "Та же проценка из командной строки: orelia-cli --help.\n");
}

} // namespace

int main(int argc, char** argv) {
    // Answered before QApplication, which needs a display: "orelia --version" and "orelia --help"
    // work over ssh too, and the manual page is made from the help.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            QTextStream(stdout) << AppVersion::versionLine() << u'\n';
            return 0;
        }
        for (const char* help : {"--help", "-h", "-?", "--help-all"}) {
            if (std::strcmp(argv[i], help) == 0) {
                QTextStream out(stdout);
                out.setEncoding(QStringConverter::Utf8);
                out << helpText();
                return 0;
            }
        }
    }

    QApplication app(argc, argv);
    // Settings live under organisation and application "Orelia"; the window class (StartupWMClass)
    // is the application name, the Wayland app id the desktop file id.
    QCoreApplication::setOrganizationName(AppVersion::applicationName());
    QCoreApplication::setApplicationName(AppVersion::applicationName());
    QCoreApplication::setApplicationVersion(AppVersion::displayText());
    // No display name: Qt would append " — Orelia" to the window title, which already names it.
    QGuiApplication::setDesktopFileName(AppVersion::desktopFileId());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/orelia/orelia.svg")));
    applyPaletteFromEnvironment();
    QtTranslations::install();

    // Help and version were answered above; the parser refuses the rest in the system's language.
    QCommandLineParser parser;
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Демо-режим: учебные поставщики и отдельные настройки."));
    parser.addOption(demo);
    parser.process(app);

    AppServices::Options options;
    options.demo = parser.isSet(demo);
    AppServices services(options);
    // The cart, the markup and the switches are shared with orelia-cli and other windows.
    services.userDefaults().watchForChanges();
    // Outlives the sheet, so a list goes on pricing while the sheet is closed.
    BatchPricer batchPricer(services.supplierPreferences(), services.searchConnectors());
    // The verdicts of the cart's re-checks, kept while the program runs: a check goes on when
    // the cart sheet closes, and its verdicts are there when it opens again.
    CartVerdicts cartVerdicts(services.cartStore(),
                              [&services](SupplierCartGroup group) { return checkGroup(services, std::move(group)); });

    MainWindow window(services.supplierPreferences(), services.searchConnectors(), services.userDefaults(),
                      services.cartStore());
    window.setDemoMode(services.isDemo());
    // Each supplier in its colour: the suppliers the buyer added keep theirs in the settings.
    const SupplierAccounts& accounts = services.supplierPreferences().accounts();
    const auto colors = [&accounts](QStringView id) { return accounts.color(id); };
    window.contentView()->tableModel()->setSupplierColors(colors);
    window.contentView()->attachSheet(ContentView::Sheet::cart, [&](QWidget* parent) {
        auto* sheet = new CartSheet(services.cartStore(), cartVerdicts, parent);
        sheet->setSupplierColors(colors);
        sheet->setCopyDecimalMark(CopiedNumber::storedDecimalMark(services.userDefaults()));
        return sheet;
    });
    window.contentView()->attachSheet(ContentView::Sheet::settings, [&](QWidget* parent) {
        SettingsServices settings{services.userDefaults(),    services.supplierPreferences(),
                                  services.credentialStore(), services.autoEuroClient(),
                                  services.autopiterClient(), services.tradeSoftAPI(),
                                  services.endpoints(),       SettingsWidgets::credentialStoreName(services.isDemo()),
                                  services.platforms()};
        auto* sheet = new SettingsSheet(settings, parent);
        // The open table shows the new prices as the markup is typed.
        QObject::connect(sheet, &SettingsSheet::markupChanged, window.contentView(), &ContentView::refreshTable);
        // An account entered there ends the first-run state.
        QObject::connect(sheet, &QDialog::finished, &window, [&window] { window.viewModel().checkSetup(); });
        return sheet;
    });
    window.contentView()->attachSheet(ContentView::Sheet::batch, [&](QWidget* parent) {
        return new BatchSheet(batchPricer, services.userDefaults(), services.cartStore(), parent);
    });
    window.contentView()->attachSheet(ContentView::Sheet::feedback, [&](QWidget* parent) {
        return new FeedbackSheet(services.feedbackTransport(), parent);
    });
    // "Открыть демо-режим" of the first-run state: a second window on the simulated suppliers.
    QObject::connect(window.contentView()->firstRunView(), &FirstRunView::demoRequested, &window, [] {
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {QStringLiteral("--demo")});
    });
    FirstPaintProbe::installFromEnvironment(window);
    window.show();
    // Whether a supplier is connected at all: a fresh installation shows how to start.
    window.viewModel().checkSetup();
    return QApplication::exec();
}
