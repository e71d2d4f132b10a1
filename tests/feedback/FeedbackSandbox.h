#pragma once

#include "feedback/HTTPFeedbackTransport.h"
#include "SandboxServer.h"

#include <QNetworkAccessManager>

#include <memory>

// The sandbox's feedback service, answering with `status` and `body` when they are given.
struct FeedbackSandbox {
    SandboxServer sandbox;
    QNetworkAccessManager network;
    std::unique_ptr<HTTPFeedbackTransport> transport;

    explicit FeedbackSandbox(int status = 0, const QByteArray& body = {}) {
        if (!sandbox.start())
            qFatal("sandbox did not start");
        if (status) {
            SandboxBehaviour behaviour;
            behaviour.fault = SandboxBehaviour::Fault::body;
            behaviour.status = status;
            behaviour.body = body;
            sandbox.setBehaviour(ServiceEndpoints::Service::feedback, behaviour);
        }
        transport = std::make_unique<HTTPFeedbackTransport>(
            network, sandbox.endpoints().url(ServiceEndpoints::Service::feedback, u"v1/feedback"));
    }
};
