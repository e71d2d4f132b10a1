#include "suppliers/autoeuro/AutoEuroModels.h"

#include <QtTest>

namespace {

Json::Value value(const char* json) {
    return Json::parse(QByteArray(json));
}

QString decodingFailure(const std::function<void()>& decode) {
    try {
        decode();
    } catch (const Json::DecodingError& error) {
        return error.description();
    }
    return QStringLiteral("<decoded>");
}

} // namespace

using namespace Qt::StringLiterals;

class TestAutoEuroModels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void flexibleInt_acceptsNumbersAndNumericText_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("integer") << "12" << true << qint64(12);
        QTest::newRow("fraction truncates") << "12.9" << true << qint64(12);
        QTest::newRow("negative fraction toward zero") << "-12.9" << true << qint64(-12);
        QTest::newRow("text") << "\"12\"" << true << qint64(12);
        QTest::newRow("text with blanks") << "\"  12 \\n\"" << true << qint64(12);
        QTest::newRow("decimal comma") << "\"12,7\"" << true << qint64(12);
        QTest::newRow("negative text") << "\"-3\"" << true << qint64(-3);
        QTest::newRow("largest int64") << "9223372036854775807" << true << std::numeric_limits<qint64>::max();
        QTest::newRow("empty text") << "\"\"" << false << qint64(0);
        QTest::newRow("word") << "\"много\"" << false << qint64(0);
        QTest::newRow("boolean") << "true" << false << qint64(0);
        QTest::newRow("beyond int64") << "9223372036854775808" << false << qint64(0);
        QTest::newRow("huge text") << "\"99999999999999999999\"" << false << qint64(0);
        QTest::newRow("1e30") << "1e30" << false << qint64(0);
        QTest::newRow("1e999") << "1e999" << false << qint64(0);
        QTest::newRow("below the smallest double") << "1e-400" << true << qint64(0);
        QTest::newRow("NaN text") << "\"NaN\"" << false << qint64(0);
        QTest::newRow("inf text") << "\"inf\"" << false << qint64(0);
        QTest::newRow("null") << "null" << false << qint64(0);
    }
    void flexibleInt_acceptsNumbersAndNumericText() {
        QFETCH(QString, json);
        QFETCH(bool, accepted);
        QFETCH(qint64, expected);
        const Json::Value v = Json::parse(json.toUtf8());
        if (accepted) {
            QCOMPARE(FlexibleInt::decode(v, {}).value, expected);
        } else {
            QCOMPARE(
                decodingFailure([&] { FlexibleInt::decode(v, {QStringLiteral("amount")}); }),
                QStringLiteral("JSON typeMismatch Int64, path: amount, Expected Int-compatible number or string."));
        }
    }

    void flexibleDouble_acceptsNumbersAndNumericText_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("expected");
        QTest::newRow("number") << "4.5" << true << 4.5;
        QTest::newRow("integer") << "7" << true << 7.0;
        QTest::newRow("decimal comma") << "\"12,5\"" << true << 12.5;
        QTest::newRow("text with blanks") << "\" 0.25 \"" << true << 0.25;
        QTest::newRow("space between digits") << "\"12 5\"" << false << 0.0;
        QTest::newRow("empty") << "\"\"" << false << 0.0;
        QTest::newRow("1e999") << "1e999" << false << 0.0;
        QTest::newRow("-1e999") << "-1e999" << false << 0.0;
        QTest::newRow("below the smallest double") << "-1e-400" << true << 0.0;
        QTest::newRow("below the smallest double, as text") << "\"0,00001e-400\"" << true << 0.0;
        QTest::newRow("long mantissa, small exponent")
            << QStringLiteral("1") + QString(400, u'0') + QStringLiteral("e-10") << false << 0.0;
        QTest::newRow("NaN text") << "\"NaN\"" << false << 0.0;
        QTest::newRow("inf text") << "\"inf\"" << false << 0.0;
        QTest::newRow("huge text") << "\"1e400\"" << false << 0.0;
        QTest::newRow("hex text") << "\"0x10\"" << false << 0.0;
        QTest::newRow("boolean") << "false" << false << 0.0;
    }
    void flexibleDouble_acceptsNumbersAndNumericText() {
        QFETCH(QString, json);
        QFETCH(bool, accepted);
        QFETCH(double, expected);
        const Json::Value v = Json::parse(json.toUtf8());
        if (accepted) {
            QCOMPARE(FlexibleDouble::decode(v, {}).value, expected);
        } else {
            QCOMPARE(decodingFailure([&] { FlexibleDouble::decode(v, {}); }),
                     QStringLiteral("JSON typeMismatch Double, path: , Expected Double-compatible number or string."));
        }
    }

    void flexibleString_acceptsScalars_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("expected"); // empty: rejected
        QTest::newRow("text") << u"\"3 дн.\""_s << u"3 дн."_s;
        QTest::newRow("integer") << u"42"_s << u"42"_s;
        QTest::newRow("fraction") << u"4.5"_s << u"4.5"_s;
        QTest::newRow("whole fraction") << u"15.0"_s << u"15.0"_s;
        QTest::newRow("false") << u"false"_s << u"false"_s;
        QTest::newRow("20-digit integer keeps its size") << u"12345678901234567890"_s << u"1.2345678901234567e+19"_s;
        QTest::newRow("object") << u"{}"_s << u""_s;
        QTest::newRow("list") << u"[1]"_s << u""_s;
        QTest::newRow("1e999") << u"1e999"_s << u""_s;
    }
    void flexibleString_acceptsScalars() {
        QFETCH(QString, json);
        QFETCH(QString, expected);
        const Json::Value v = Json::parse(json.toUtf8());
        if (!expected.isEmpty()) {
            QCOMPARE(FlexibleString::decode(v, {}).value, expected);
        } else {
            QCOMPARE(decodingFailure([&] { FlexibleString::decode(v, {}); }),
                     QStringLiteral("JSON typeMismatch String, path: , Expected String, Int, Double or Bool."));
        }
    }

    void envelope_failuresNameTheKeyAndPath_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("description");
        QTest::newRow("missing required key")
            << QByteArray("{\"DATA\":[{\"payer_name\":\"B\"}]}")
            << "JSON keyNotFound payer_key, path: DATA.Index 0, No value associated with key \"payer_key\".";
        QTest::newRow("null required value")
            << QByteArray("{\"DATA\":[{\"payer_key\":null,\"payer_name\":\"B\"}]}")
            << "JSON valueNotFound String, path: DATA.Index 0.payer_key, Expected String value but found null instead.";
        QTest::newRow("number where text is required")
            << QByteArray("{\"DATA\":[{\"payer_key\":7,\"payer_name\":\"B\"}]}")
            << "JSON typeMismatch String, path: DATA.Index 0.payer_key, Expected to decode String but found another "
               "value instead.";
        QTest::newRow("DATA not a list") << QByteArray("{\"DATA\":{\"payer_key\":\"1\"}}")
                                         << "JSON typeMismatch Array, path: DATA, Expected to decode Array but found "
                                            "another value instead.";
        QTest::newRow("not JSON") << QByteArray("<html>502</html>")
                                  << "JSON dataCorrupted, path: , The given data was not valid JSON. Invalid value "
                                     "around character 0.";
    }
    void envelope_failuresNameTheKeyAndPath() {
        QFETCH(QByteArray, body);
        QFETCH(QString, description);
        QCOMPARE(decodingFailure([&] { AutoEuroEnvelope<AutoEuroPayer>::decode(body); }), description);
    }

    void malformedRecord_isSkippedAndCounted_unlessNoneDecodes() {
        const QByteArray body = "{\"DATA\":[{\"offer_key\":\"A\"},{\"offer_key\":\"B\",\"price\":\"дорого\"},"
                                "{\"offer_key\":\"C\",\"amount\":1e30},{\"offer_key\":\"D\",\"rejects\":1e999}]}";
        const auto partial = AutoEuroEnvelope<AutoEuroOffer>::decode(body);
        QCOMPARE(partial.DATA->size(), 1);
        QCOMPARE(*partial.DATA->at(0).offer_key, QStringLiteral("A"));
        QCOMPARE(partial.skippedRecords, 3);
        const QByteArray allBad = "{\"DATA\":[{\"offer_key\":\"B\",\"price\":\"дорого\"},{\"offer_key\":7}]}";
        QCOMPARE(decodingFailure([&] { AutoEuroEnvelope<AutoEuroOffer>::decode(allBad); }),
                 QStringLiteral("JSON typeMismatch Double, path: DATA.Index 0.price, Expected Double-compatible number "
                                "or string."));
        const auto empty = AutoEuroEnvelope<AutoEuroOffer>::decode("{\"DATA\":[{}, {\"return\":null}]}");
        QCOMPARE(empty.DATA->size(), 2);
        QVERIFY(!empty.DATA->at(1).return_);
        // The envelope itself stays strict.
        QVERIFY(decodingFailure([&] {
                    AutoEuroEnvelope<AutoEuroOffer>::decode("{\"META\":[],\"DATA\":[]}");
                }).startsWith(u"JSON typeMismatch Dictionary, path: META"));
    }

    void jsonReader_keepsTextExactAndRefusesBrokenInput() {
        const Json::Value v =
            value("{\"name\":\"Фильтр \\\"MANN\\\" \\u0441\\u0430\\u043b\\u043e\\u043d\\ud83d\\ude97\",\"n\":-0.5e-3}");
        QCOMPARE(Json::decodeString(*v.member(u"name"), {}), QStringLiteral("Фильтр \"MANN\" салон🚗"));
        QCOMPARE(v.member(u"n")->text(), QStringLiteral("-0.5e-3"));
        for (const char* broken : {"", "{", "[1,]", "{\"a\" 1}", "NaN", "01", "\"\x01\"", "[1] x"})
            QVERIFY2(decodingFailure([&] { Json::parse(QByteArray(broken)); }).startsWith(u"JSON dataCorrupted"),
                     broken);
        // Deep nesting and oversized containers are refused before anything is built.
        const QByteArray deep = QByteArray(100000, '[') + QByteArray(100000, ']');
        QVERIFY_THROWS_EXCEPTION(Json::LimitError, Json::parse(deep));
        QByteArray full = "[0";
        for (int i = 1; i < Json::maxElements; ++i)
            full += ",0";
        QCOMPARE(Json::parse(full + ']').size(), Json::maxElements);
        QVERIFY_THROWS_EXCEPTION(Json::LimitError, Json::parse(full + ",0]"));
    }

    void offerId_fallsBackToBrandCodePriceAndDelivery() {
        auto offer = AutoEuroOffer::decode(
            value("{\"brand\":\"MAHLE\",\"code\":\"OC 90\",\"price\":15,\"delivery_time\":3}"), {});
        QCOMPARE(offer.id(), QStringLiteral("MAHLE|OC 90|15.0|3"));
        offer.offer_key = QString();
        QCOMPARE(offer.id(), QStringLiteral("MAHLE|OC 90|15.0|3"));
        offer.offer_key = QStringLiteral("K-1");
        QCOMPARE(offer.id(), QStringLiteral("K-1"));
        QCOMPARE(AutoEuroOffer().id(), QStringLiteral("|||"));
    }
};

QTEST_GUILESS_MAIN(TestAutoEuroModels)
#include "tst_AutoEuroModels.moc"
