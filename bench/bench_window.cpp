// One measurement for bench_startup: the main window shown empty (--offers 0) or after a search
// whose answer fills the table with N rows (--offers N). Prints the first-paint probe's line
// (its resident memory) once the window has painted what it shows.
#include "app/AppServices.h"
#include "core/SupplierPreferences.h"
#include "search/SearchViewModel.h"
#include "SyntheticOffers.h"
#include "ui/FirstPaintProbe.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QCoroTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

namespace {

// AutoEuro answers with `count` rows, made when asked and not kept; Autopiter with none.
class WideAnswer final : public SupplierSearchProviding {
public:
    WideAnswer(const SupplierDescriptor& descriptor, int count)
        : m_descriptor(descriptor)
        , m_count(count) {}
    const SupplierDescriptor& descriptor() const override { return m_descriptor; }
    QCoro::Task<QList<SupplierOffer>> search(QString) override {
        auto pause = QCoro::sleepFor(std::chrono::milliseconds(1));
        co_await std::move(pause);
        co_return SyntheticOffers::table(m_count);
    }

private:
    const SupplierDescriptor& m_descriptor;
    int m_count;
};

class WideConnectors final : public SearchConnectorFactory {
public:
    explicit WideConnectors(int count)
        : m_count(count) {}
    std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override {
        return std::make_unique<WideAnswer>(SupplierDescriptors::autoEuro(), m_count);
    }
    std::unique_ptr<SupplierSearchProviding> makeAutopiter() override {
        return std::make_unique<WideAnswer>(SupplierDescriptors::autopiter(), 0);
    }
    std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override { return nullptr; }

private:
    int m_count;
};

// Draws every widget of the window once, as the screen would, then reports and ends.
void reportWhenPainted(MainWindow& window) {
    QTimer::singleShot(0, &window, [&window] {
        (void)window.grab();
        FirstPaintProbe::report();
        QApplication::exit(0);
    });
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const qsizetype option = arguments.indexOf(QStringLiteral("--offers"));
    const int count = option >= 0 ? arguments.value(option + 1).toInt() : 0;

    QTemporaryDir state;
    AppServices::Options options;
    options.memoryCredentials = true;
    options.settingsFile = state.filePath(QStringLiteral("settings.ini"));
    AppServices services(options);
    WideConnectors connectors(count);
    MainWindow window(services.supplierPreferences(), connectors, services.userDefaults(), services.cartStore());
    window.show();
    QObject::connect(&window.viewModel(), &SearchViewModel::searchFinished, &window,
                     [&window] { reportWhenPainted(window); });
    QTimer::singleShot(0, &window, [&window, count] {
        if (count == 0) {
            reportWhenPainted(window);
            return;
        }
        window.viewModel().setArticle(QStringLiteral("T-0"));
        window.viewModel().search();
    });
    return QApplication::exec();
}
