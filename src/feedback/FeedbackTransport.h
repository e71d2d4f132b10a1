#pragma once

#include "FeedbackModels.h"

#include <QCoroTask>

// Where the form sends a draft. `submit` returns the receipt or fails with a
// FeedbackTransportError.
class FeedbackTransport {
public:
    virtual ~FeedbackTransport() = default;

    virtual QCoro::Task<FeedbackReceipt> submit(FeedbackDraft draft) = 0;
    // False when this build knows no address to send to: the form says so up front
    // instead of letting the user write a message that cannot go anywhere.
    virtual bool hasEndpoint() const = 0;
};
