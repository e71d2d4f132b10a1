#include "core/AppVersion.h"
#include "feedback/FeedbackForm.h"
#include "feedback/FeedbackTransportError.h"
#include "FeedbackSandbox.h"
#include "support/AwaitTask.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using Fields = FeedbackForm::Fields;
Q_DECLARE_METATYPE(FeedbackForm::Fields)

namespace {

const QString kApp = QStringLiteral("0.1.0 (3f9c2ab)");
const QString kOS = QStringLiteral("Debian GNU/Linux 12 (bookworm)");

FeedbackDraft draftOf(const Fields& fields) {
    auto made = FeedbackForm::makeDraft(fields, kApp, kOS);
    if (const QString* refusal = std::get_if<QString>(&made))
        qFatal("refused: %s", qPrintable(*refusal));
    return std::get<FeedbackDraft>(made);
}

Fields supplierFields() {
    Fields f;
    f.category = FeedbackCategory::supplier;
    f.subject = QStringLiteral("Новый поставщик");
    f.supplierName = QStringLiteral("  Автоальянс \n");
    f.supplierWebsite = QStringLiteral("https://autoalliance.example");
    f.supplierRegion = QStringLiteral("Урал");
    f.supplierHasAccount = true;
    f.supplierIntegrationInfo = QStringLiteral("REST, JSON");
    f.supplierDocumentationURL = QStringLiteral("https://autoalliance.example/api");
    f.supplierIntegrationContact = QStringLiteral("api@autoalliance.example");
    f.contact = QStringLiteral(" ivan@service.example ");
    return f;
}

// "receipt ID STATUS DATE" or the failure's description.
QString outcomeOf(HTTPFeedbackTransport& transport, const FeedbackDraft& draft) {
    try {
        const FeedbackReceipt receipt = awaitTask(transport.submit(draft));
        return QStringLiteral("receipt %1 %2 %3")
            .arg(receipt.id, receipt.status,
                 receipt.createdAt ? receipt.createdAt->toString(Qt::ISODateWithMs) : QStringLiteral("-"));
    } catch (const UserFacingError& error) {
        return error.description();
    }
}

} // namespace

class FeedbackTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The tables with raw strings are defined below the class: moc loses its way in them.
    void requestBody_keepsMemberOrderAndLeavesAbsentOut_data();

    void requestBody_keepsMemberOrderAndLeavesAbsentOut() {
        QFETCH(Fields, fields);
        QFETCH(QString, json);
        const QByteArray body = FeedbackRequest::from(draftOf(fields)).toJson();
        QCOMPARE(QString::fromUtf8(body), json);
        QJsonParseError error;
        QJsonDocument::fromJson(body, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
    }

    void answer_onlyA201WithAReceiptSucceeds_data();

    void answer_onlyA201WithAReceiptSucceeds() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        FeedbackSandbox service(status, body);
        Fields fields;
        fields.message = QStringLiteral("Текст");
        QCOMPARE(outcomeOf(*service.transport, draftOf(fields)), outcome);
    }

    void createdAt_readsISO8601Only_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("utc"); // empty: not a date

        QTest::newRow("microseconds, offset")
            << QStringLiteral("2026-03-01T12:30:00.123956+03:00") << QStringLiteral("2026-03-01T09:30:00.123Z");
        QTest::newRow("no zone") << QStringLiteral("2026-03-01T09:30:00") << QString();
        QTest::newRow("blank for T") << QStringLiteral("2026-03-01 09:30:00Z") << QString();
        QTest::newRow("month 13") << QStringLiteral("2026-13-01T09:30:00Z") << QString();
        QTest::newRow("offset hour 25") << QStringLiteral("2026-03-01T09:30:00+25:00") << QString();
    }

    void createdAt_readsISO8601Only() {
        QFETCH(QString, text);
        QFETCH(QString, utc);
        const auto date = FeedbackResponse::parseDate(text);
        QCOMPARE(date ? date->toString(Qt::ISODateWithMs) : QString(), utc);
    }

    // Nothing but the request's own members leaves the machine, however much the user typed.
    void sandbox_receivesOnlyTheListedMembers() {
        FeedbackSandbox service;
        Fields fields = supplierFields();
        fields.message = QStringLiteral("Хотим заказывать у них");
        QVERIFY(outcomeOf(*service.transport, draftOf(fields)).startsWith(QStringLiteral("receipt FB-")));
        const QList<SandboxRequest> requests = service.sandbox.requests();
        QCOMPARE(requests.size(), 1);
        const SandboxRequest& seen = requests.first();
        QCOMPARE(seen.method, QStringLiteral("POST"));
        QCOMPARE(seen.path, QStringLiteral("/feedback/v1/feedback"));
        QCOMPARE(seen.headers.value(QStringLiteral("content-type")), QStringLiteral("application/json"));
        QVERIFY(!seen.headers.contains(QStringLiteral("cookie")) &&
                !seen.headers.contains(QStringLiteral("authorization")));
        QCOMPARE(seen.body, FeedbackRequest::from(draftOf(fields)).toJson());

        // The service refuses a request without the application's version, in its own words.
        FeedbackDraft unversioned = draftOf(fields);
        unversioned.appVersion.clear();
        QCOMPARE(outcomeOf(*service.transport, unversioned),
                 QStringLiteral("Ошибка сервера 422: Не указана версия приложения."));
    }

    void appVersion_writesADashForAMissingPart_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("build");
        QTest::addColumn<QString>("text");
        QTest::newRow("both") << QStringLiteral("0.1.0") << QStringLiteral("3f9c2ab")
                              << QStringLiteral("0.1.0 (3f9c2ab)");
        QTest::newRow("neither") << QString() << QString() << QStringLiteral("— (—)");
    }

    void appVersion_writesADashForAMissingPart() {
        QFETCH(QString, version);
        QFETCH(QString, build);
        QFETCH(QString, text);
        QCOMPARE(AppVersion::displayText(version, build), text); // the built programs' own: tests/packaging
    }
};

void FeedbackTest::requestBody_keepsMemberOrderAndLeavesAbsentOut_data() {
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QString>("json");

    Fields bug;
    bug.category = FeedbackCategory::bug;
    bug.subject = QStringLiteral("  Наценка ");
    bug.message = QStringLiteral("\n  Цена \"без\" наценки\\\tв таблице  \n");
    bug.contact = QStringLiteral(" \n\t ");
    bug.supplierName = QStringLiteral("не уходит в общей форме");
    QTest::newRow("general, blank contact")
        << bug
        << QStringLiteral(R"j({"category":"bug","message":"Цена \"без\" наценки\\\tв таблице",)j"
                          R"j("appVersion":"0.1.0 (3f9c2ab)",)j"
                          R"j("osVersion":"Debian GNU/Linux 12 (bookworm)",)j"
                          R"j("metadata":{"subject":"Наценка"}})j");

    Fields other;
    other.category = FeedbackCategory::other;
    other.message = QStringLiteral("Спасибо\u0001");
    other.contact = QStringLiteral("  +7 900 000-00-00\n");
    QTest::newRow("general, contact") << other
                                      << QStringLiteral(R"j({"category":"other","message":"Спасибо\u0001",)j"
                                                        R"j("contact":"+7 900 000-00-00",)j"
                                                        R"j("appVersion":"0.1.0 (3f9c2ab)",)j"
                                                        R"j("osVersion":"Debian GNU/Linux 12 (bookworm)",)j"
                                                        R"j("metadata":{"subject":""}})j");

    QTest::newRow("supplier candidate")
        << supplierFields()
        << QStringLiteral(R"j({"category":"supplier","message":"","contact":"ivan@service.example",)j"
                          R"j("appVersion":"0.1.0 (3f9c2ab)","osVersion":"Debian GNU/Linux 12 (bookworm)",)j"
                          R"j("supplierContext":"Автоальянс","metadata":{"subject":"Новый поставщик",)j"
                          R"j("supplier":{"name":"Автоальянс","website":"https://autoalliance.example",)j"
                          R"j("region":"Урал","hasAccount":true,"integrationInfo":"REST, JSON",)j"
                          R"j("documentationURL":"https://autoalliance.example/api",)j"
                          R"j("integrationContact":"api@autoalliance.example"}}})j");
}

void FeedbackTest::answer_onlyA201WithAReceiptSucceeds_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("outcome");

    const QByteArray receipt = R"j({"id":"FB-000123","status":"received","createdAt":"2026-03-01T09:30:00Z"})j";
    const QString invalid = QStringLiteral("Сервис обратной связи вернул некорректный ответ.");
    QTest::newRow("201") << 201 << receipt << QStringLiteral("receipt FB-000123 received 2026-03-01T09:30:00.000Z");
    QTest::newRow("201 without createdAt")
        << 201 << QByteArray(R"j({"id":"FB-7","status":"received"})j") << QStringLiteral("receipt FB-7 received -");
    QTest::newRow("201, createdAt null") << 201 << QByteArray(R"j({"id":"FB-7","status":"received","createdAt":null})j")
                                         << QStringLiteral("receipt FB-7 received -");
    QTest::newRow("201, createdAt not ISO 8601")
        << 201 << QByteArray(R"j({"id":"FB-7","status":"received","createdAt":"01.03.2026 09:30"})j") << invalid;
    QTest::newRow("201 without id") << 201 << QByteArray(R"j({"status":"received"})j") << invalid;
    QTest::newRow("200 with a receipt") << 200 << receipt << QStringLiteral("Сервис обратной связи вернул ошибку 200.");
    QTest::newRow("422, empty error") << 422 << QByteArray(R"j({"error":""})j")
                                      << QStringLiteral("Сервис обратной связи вернул ошибку 422.");
    QTest::newRow("500, error not text") << 500 << QByteArray(R"j({"error":{"code":1}})j")
                                         << QStringLiteral("Сервис обратной связи вернул ошибку 500.");
}

QTEST_GUILESS_MAIN(FeedbackTest)
#include "tst_Feedback.moc"
