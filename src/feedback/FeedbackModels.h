#pragma once

#include "FeedbackCategory.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <optional>

// What the user knows about a supplier that should be connected.
struct SupplierCandidateFeedback {
    QString supplierName;
    QString website;
    QString region;
    bool hasAccount = false;
    QString integrationInfo;
    QString documentationURL;
    QString integrationContact;

    friend bool operator==(const SupplierCandidateFeedback&, const SupplierCandidateFeedback&) = default;
};

// What the form hands to the transport.
struct FeedbackDraft {
    FeedbackCategory category = FeedbackCategory::improvement;
    QString subject;
    QString message;
    // Absent when the user left it blank.
    std::optional<QString> contact;
    // Only for the supplier category.
    std::optional<SupplierCandidateFeedback> supplierCandidate;
    QString appVersion;
    // The operating system's human-readable version, whatever the system.
    QString macOSVersion;

    friend bool operator==(const FeedbackDraft&, const FeedbackDraft&) = default;
};

struct SupplierMetadata {
    QString name;
    QString website;
    QString region;
    bool hasAccount = false;
    QString integrationInfo;
    QString documentationURL;
    QString integrationContact;

    friend bool operator==(const SupplierMetadata&, const SupplierMetadata&) = default;
};

struct FeedbackMetadata {
    QString subject;
    std::optional<SupplierMetadata> supplier;

    friend bool operator==(const FeedbackMetadata&, const FeedbackMetadata&) = default;
};

// The JSON body that is posted. These members and nothing else leave the machine.
struct FeedbackRequest {
    QString category;
    QString message;
    std::optional<QString> contact;
    QString appVersion;
    QString osVersion;
    std::optional<QString> supplierContext;
    FeedbackMetadata metadata;

    static FeedbackRequest from(const FeedbackDraft& draft);
    // Compact UTF-8 JSON with the members in declaration order; absent values are left
    // out, never written as null.
    QByteArray toJson() const;

    friend bool operator==(const FeedbackRequest&, const FeedbackRequest&) = default;
};

// The body of a 201 answer.
struct FeedbackResponse {
    QString id;
    QString status;
    std::optional<QDateTime> createdAt;

    // Nullopt unless the body is an object with text `id` and `status` and, when present
    // and not null, an ISO 8601 `createdAt`.
    static std::optional<FeedbackResponse> decode(QByteArrayView body);
    // "2026-03-01T09:30:00Z", with optional fractional seconds and Z or a "+03:00" offset.
    static std::optional<QDateTime> parseDate(QStringView text);
};

// What a successful submission returns to the caller.
struct FeedbackReceipt {
    QString id;
    QString status;
    std::optional<QDateTime> createdAt;

    friend bool operator==(const FeedbackReceipt&, const FeedbackReceipt&) = default;
};

// The body of a failed answer.
struct ServerError {
    QString error;

    // Nullopt unless the body is an object with a text `error`.
    static std::optional<ServerError> decode(QByteArrayView body);
};
