#include "AppServices.h"

#include "cart/CartStore.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "core/UserFacingError.h"

namespace {

// A supplier whose connector this build does not have yet: every search fails with
// a plain explanation instead of pretending the supplier had nothing.
class UnavailableConnector final : public SupplierSearchProviding, public PortalOfferSearching {
public:
    explicit UnavailableConnector(const SupplierDescriptor& descriptor)
        : m_descriptor(descriptor) {}

    const SupplierDescriptor& descriptor() const override { return m_descriptor; }
    QCoro::Task<QList<SupplierOffer>> search(QString) override { throw unavailable(); }
    QCoro::Task<QList<SupplierOffer>> search(QString, QString) override { throw unavailable(); }

private:
    static PlainUserFacingError unavailable() {
        return PlainUserFacingError(
            QStringLiteral("Поиск у этого поставщика пока не поддерживается этой версией Orelia."));
    }

    const SupplierDescriptor& m_descriptor;
};

class ProductConnectorFactory final : public SearchConnectorFactory {
public:
    std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override {
        return std::make_unique<UnavailableConnector>(SupplierDescriptors::autoEuro());
    }
    std::unique_ptr<SupplierSearchProviding> makeAutopiter() override {
        return std::make_unique<UnavailableConnector>(SupplierDescriptors::autopiter());
    }
    std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override {
        return std::make_unique<UnavailableConnector>(SupplierDescriptors::autoliga());
    }
};

} // namespace

namespace {

QString settingsApplicationOf(const AppServices::Options& options) {
    return options.demo ? QStringLiteral("Orelia Demo") : options.settingsApplication;
}

} // namespace

AppServices::AppServices(const Options& options)
    : m_demo(options.demo)
    , m_userDefaults(options.settingsFile.isEmpty() ? std::make_unique<UserDefaults>(settingsApplicationOf(options))
                                                    : UserDefaults::atPath(options.settingsFile))
    , m_preferences(std::make_unique<SupplierPreferences>(*m_userDefaults))
    , m_connectors(std::make_unique<ProductConnectorFactory>())
    , m_cart(std::make_unique<CartStore>(*m_userDefaults)) {
    if (m_demo)
        startDemoSuppliers();
}

void AppServices::startDemoSuppliers() {}

AppServices::~AppServices() = default;
