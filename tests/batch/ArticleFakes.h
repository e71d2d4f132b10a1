#pragma once

#include "core/SupplierDescriptor.h"
#include "core/UserFacingError.h"
#include "search/SearchConnectors.h"
#include "support/FakeConnectors.h"

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

    // The most searches that were running at one time, read from the events.
    int mostInFlight() const {
        int running = 0;
        int most = 0;
        for (const QString& event : events) {
            running += event.startsWith(u"start") ? 1 : -1;
            most = std::max(most, running);
        }
        return most;
    }

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
        QList<SupplierOffer> offers = answer.offers;
        co_return offers;
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
