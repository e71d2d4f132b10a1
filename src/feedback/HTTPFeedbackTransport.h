#pragma once

#include "FeedbackTransport.h"

#include <QUrl>

#include <chrono>

class QNetworkAccessManager;

// Posts the draft as JSON to the feedback service. Only a 201 answer with a readable
// receipt is a success; nothing is retried.
class HTTPFeedbackTransport : public FeedbackTransport {
public:
    static constexpr std::chrono::milliseconds timeout{15000};

    // `endpoint` is the absolute address of "v1/feedback"; empty when the build has none.
    HTTPFeedbackTransport(QNetworkAccessManager& network, QUrl endpoint);

    QUrl endpoint() const { return m_endpoint; }
    bool hasEndpoint() const override;
    QCoro::Task<FeedbackReceipt> submit(FeedbackDraft draft) override;

    // 15 s unless a test wants to see a hang end sooner.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

private:
    QNetworkAccessManager& m_network;
    QUrl m_endpoint;
    std::chrono::milliseconds m_timeout = timeout;
};
