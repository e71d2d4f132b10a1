#pragma once

#include "batch/BatchPricer.h"
#include "core/SupplierDescriptor.h"
#include "core/SupplierPreferences.h"
#include "core/UserFacingError.h"
#include "search/SearchConnectors.h"
#include "support/FakeConnectors.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"

#include <QHash>

inline QStringList strings(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

// AutoEuro answering per article: its own offers, error and gate for each; every call is
// recorded as "start A" and "end A" in order.
class ArticleFakes : public SearchConnectorFactory {
public:
    struct Answer {
        QList<SupplierOffer> offers;
        std::optional<QString> error;
        Gate* gate = nullptr;
    };
    QHash<QString, Answer> answers;
    QStringList events;

    std::unique_ptr<SupplierSearchProviding> makeAutoEuro() override { return std::make_unique<Provider>(*this); }
    std::unique_ptr<SupplierSearchProviding> makeAutopiter() override { return std::make_unique<Provider>(*this); }
    std::unique_ptr<PortalOfferSearching> makeAutoligaPortal() override { return nullptr; }

private:
    static QCoro::Task<QList<SupplierOffer>> answer(ArticleFakes& fakes, QString article) {
        fakes.events.append(QStringLiteral("start ") + article);
        Gate* gate = fakes.answers.value(article).gate;
        if (gate && !gate->isOpen()) {
            auto opened = qCoro(gate, &Gate::opened);
            co_await std::move(opened);
        } else {
            auto pause = QCoro::sleepFor(std::chrono::milliseconds(1));
            co_await std::move(pause);
        }
        fakes.events.append(QStringLiteral("end ") + article);
        const Answer answer = fakes.answers.value(article);
        if (answer.error)
            throw PlainUserFacingError(*answer.error);
        co_return QList<SupplierOffer>(answer.offers);
    }

    class Provider : public SupplierSearchProviding {
    public:
        explicit Provider(ArticleFakes& fakes)
            : m_fakes(fakes) {}
        const SupplierDescriptor& descriptor() const override { return SupplierDescriptors::autoEuro(); }
        QCoro::Task<QList<SupplierOffer>> search(QString article) override { return answer(m_fakes, article); }

    private:
        ArticleFakes& m_fakes;
    };
};

// key:price:days[:risk[:stock]] of one AutoEuro offer of MANN W 712/75.
inline SupplierOffer offer(const QString& description) {
    const QStringList f = description.split(u':');
    OfferBuilder b(QStringLiteral("autoeuro"), f[0]);
    b.price(f[1].toLatin1().constData()).delivery(f[2] + QStringLiteral(" дн."));
    if (f.size() > 3 && !f[3].isEmpty())
        b.rejectRate(f[3].toLatin1().constData());
    if (f.size() > 4)
        b.available(f[4].toLongLong());
    return b;
}

inline QList<SupplierOffer> offersOf(const QString& descriptions) {
    QList<SupplierOffer> list;
    for (const QString& description : descriptions.split(u' ', Qt::SkipEmptyParts))
        list.append(offer(description));
    return list;
}

// Pricing over AutoEuro alone, with answers per article.
struct PricerHarness {
    TestEnvironment env;
    std::unique_ptr<UserDefaults> defaults = env.makeDefaults();
    SupplierPreferences prefs{*defaults};
    ArticleFakes fakes;
    BatchPricer pricer{prefs, fakes};

    PricerHarness() {
        prefs.setAutopiterEnabled(false);
        prefs.setAutoligaEnabled(false);
    }
    void answer(const QString& article, const QString& descriptions, Gate* gate = nullptr) {
        QList<SupplierOffer> offers = offersOf(descriptions);
        for (SupplierOffer& o : offers)
            o.article = article;
        fakes.answers.insert(article, {offers, std::nullopt, gate});
    }
};
