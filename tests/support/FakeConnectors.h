#pragma once

#include "core/UserFacingError.h"
#include "search/SearchConnectors.h"

#include <QCoroSignal>
#include <QCoroTimer>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

// A door the test opens to let a fake supplier answer.
class Gate : public QObject {
    Q_OBJECT
public:
    void open() {
        m_open = true;
        Q_EMIT opened();
    }
    bool isOpen() const { return m_open; }
    void close() { m_open = false; }
Q_SIGNALS:
    void opened();

private:
    bool m_open = false;
};

// What one fake supplier answers, and the events all fakes record in order.
struct FakeSupplier {
    QList<SupplierOffer> offers;
    std::optional<QString> error;
    Gate* gate = nullptr;
    QStringList requests; // article (and "|brand" for the portal) of every call
};

class FakeConnectorFactory : public SearchConnectorFactory {
public:
    FakeSupplier autoEuro;
    FakeSupplier autopiter;
    FakeSupplier portal;
    QStringList events;

    std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override {
        return std::make_unique<Provider>(*this, autoEuro, QStringLiteral("autoeuro"), SupplierDescriptors::autoEuro());
    }
    std::unique_ptr<SupplierSearchProviding> makeAutopiter() override {
        return std::make_unique<Provider>(*this, autopiter, QStringLiteral("autopiter"),
                                          SupplierDescriptors::autopiter());
    }
    std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override { return std::make_unique<Portal>(*this); }

private:
    static QCoro::Task<QList<SupplierOffer>> answer(FakeConnectorFactory& factory, FakeSupplier& supplier,
                                                    QString name) {
        factory.events.append(name + QStringLiteral(" start"));
        // Like a real exchange, an answer never arrives within the call.
        if (supplier.gate && !supplier.gate->isOpen())
            co_await qCoro(supplier.gate, &Gate::opened);
        else {
            auto pause = QCoro::sleepFor(std::chrono::milliseconds(1));
            co_await std::move(pause);
        }
        factory.events.append(name + QStringLiteral(" end"));
        if (supplier.error)
            throw PlainUserFacingError(*supplier.error);
        // A named copy: GCC 12 moves from `co_return supplier.offers`, which emptied the
        // fake's list after its first answer.
        QList<SupplierOffer> answer = supplier.offers;
        co_return answer;
    }

    class Provider : public SupplierSearchProviding {
    public:
        Provider(FakeConnectorFactory& f, FakeSupplier& s, QString name, const SupplierDescriptor& d)
            : m_factory(f)
            , m_supplier(s)
            , m_name(std::move(name))
            , m_descriptor(d) {}
        const SupplierDescriptor& descriptor() const override { return m_descriptor; }
        QCoro::Task<QList<SupplierOffer>> search(QString article) override {
            m_supplier.requests.append(article);
            return answer(m_factory, m_supplier, m_name);
        }

    private:
        FakeConnectorFactory& m_factory;
        FakeSupplier& m_supplier;
        QString m_name;
        const SupplierDescriptor& m_descriptor;
    };

    class Portal : public PortalOfferSearching {
    public:
        explicit Portal(FakeConnectorFactory& f)
            : m_factory(f) {}
        QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) override {
            m_factory.portal.requests.append(article + u'|' + brand);
            return answer(m_factory, m_factory.portal, QStringLiteral("portal"));
        }

    private:
        FakeConnectorFactory& m_factory;
    };
};
