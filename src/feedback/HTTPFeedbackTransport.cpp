#include "HTTPFeedbackTransport.h"

#include "FeedbackForm.h"
#include "FeedbackTransportError.h"
#include "net/Http.h"
#include "net/NetworkError.h"

#include <QNetworkRequest>

HTTPFeedbackTransport::HTTPFeedbackTransport(QNetworkAccessManager& network, QUrl endpoint)
    : m_network(network)
    , m_endpoint(std::move(endpoint)) {}

bool HTTPFeedbackTransport::hasEndpoint() const {
    return !m_endpoint.isEmpty() && m_endpoint.isValid();
}

QCoro::Task<FeedbackReceipt> HTTPFeedbackTransport::submit(FeedbackDraft draft) {
    // The form never gets here without an address; a caller that does learns why.
    if (!hasEndpoint())
        throw FeedbackTransportError::transport(FeedbackForm::noAddressText());

    Http::Request request;
    request.request.setUrl(m_endpoint);
    request.request.setRawHeader("Content-Type", "application/json");
    request.verb = QByteArrayLiteral("POST");
    request.body = FeedbackRequest::from(draft).toJson();
    request.timeout = m_timeout;

    Http::Response response;
    try {
        auto exchange = Http::send(m_network, std::move(request));
        response = co_await std::move(exchange);
    } catch (const NetworkError& error) {
        throw FeedbackTransportError::transport(error.description());
    } catch (const UnusableResponseError&) {
        throw FeedbackTransportError::invalidResponse();
    }
    if (response.status <= 0)
        throw FeedbackTransportError::invalidResponse();
    // Only 201 says the message was stored; any other status, 200 included, is a failure.
    if (response.status != 201) {
        const auto serverError = ServerError::decode(response.body);
        throw FeedbackTransportError::server(response.status,
                                             serverError ? std::optional<QString>(serverError->error) : std::nullopt);
    }
    const auto decoded = FeedbackResponse::decode(response.body);
    if (!decoded)
        throw FeedbackTransportError::invalidResponse();
    co_return FeedbackReceipt{decoded->id, decoded->status, decoded->createdAt};
}
