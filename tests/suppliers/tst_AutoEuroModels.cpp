#include "FieldText.h"
#include "suppliers/autoeuro/AutoEuroModels.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestAutoEuroModels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void flexibleValues_acceptNumbersAndNumericText_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("expected"); // "-": refused
        auto row = [](const char* name, const char* type, const QString& json, const QString& expected) {
            QTest::addRow("%s: %s", type, name) << QString::fromLatin1(type) << json << expected;
        };
        row("fraction truncates", "int", u"12.9"_s, u"12"_s);
        row("negative fraction toward zero", "int", u"-12.9"_s, u"-12"_s);
        row("text with blanks", "int", u"\"  12 \\n\""_s, u"12"_s);
        row("decimal comma", "int", u"\"12,7\""_s, u"12"_s);
        row("largest int64", "int", u"9223372036854775807"_s, u"9223372036854775807"_s);
        row("boolean", "int", u"true"_s, u"-"_s);
        row("beyond int64", "int", u"9223372036854775808"_s, u"-"_s);
        row("huge text", "int", u"\"99999999999999999999\""_s, u"-"_s);
        row("1e999", "int", u"1e999"_s, u"-"_s);
        row("NaN text", "int", u"\"NaN\""_s, u"-"_s);
        row("decimal comma", "double", u"\"12,5\""_s, u"12.5"_s);
        row("text with blanks", "double", u"\" 0.25 \""_s, u"0.25"_s);
        row("below the smallest double", "double", u"-1e-400"_s, u"0"_s);
        row("below the smallest double, as text", "double", u"\"0,00001e-400\""_s, u"0"_s);
        row("space between digits", "double", u"\"12 5\""_s, u"-"_s);
        row("1e999", "double", u"1e999"_s, u"-"_s);
        row("long mantissa, small exponent", "double", u"1"_s + QString(400, u'0') + u"e-10"_s, u"-"_s);
        row("NaN text", "double", u"\"NaN\""_s, u"-"_s);
        row("text", "string", u"\"3 дн.\""_s, u"3 дн."_s);
        row("whole fraction", "string", u"15.0"_s, u"15.0"_s);
        row("false", "string", u"false"_s, u"false"_s);
        row("20-digit integer keeps its size", "string", u"12345678901234567890"_s, u"1.2345678901234567e+19"_s);
        row("object", "string", u"{}"_s, u"-"_s);
        row("1e999", "string", u"1e999"_s, u"-"_s);
    }
    void flexibleValues_acceptNumbersAndNumericText() {
        QFETCH(QString, type);
        QFETCH(QString, json);
        QFETCH(QString, expected);
        const Json::Value v = Json::parse(json.toUtf8());
        const QHash<QString, QString> refusal = {
            {u"int"_s, u"JSON typeMismatch Int64, path: amount, Expected Int-compatible number or string."_s},
            {u"double"_s, u"JSON typeMismatch Double, path: amount, Expected Double-compatible number or string."_s},
            {u"string"_s, u"JSON typeMismatch String, path: amount, Expected String, Int, Double or Bool."_s}};
        const Json::CodingPath path{u"amount"_s};
        QString decoded;
        const QString failure = failureOf<Json::DecodingError>([&] {
            if (type == u"int")
                decoded = QString::number(FlexibleInt::decode(v, path).value);
            else if (type == u"double")
                decoded = QString::number(FlexibleDouble::decode(v, path).value, 'g', 17);
            else
                decoded = FlexibleString::decode(v, path).value;
        });
        QCOMPARE(decoded.isNull() ? failure : decoded, expected == u"-" ? refusal.value(type) : expected);
    }

    void envelope_failuresNameTheKeyAndPath_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("description");
        QTest::newRow("missing required key")
            << QByteArray(R"({"DATA":[{"payer_name":"B"}]})")
            << "JSON keyNotFound payer_key, path: DATA.Index 0, No value associated with key \"payer_key\".";
        QTest::newRow("null required value")
            << QByteArray(R"({"DATA":[{"payer_key":null,"payer_name":"B"}]})")
            << "JSON valueNotFound String, path: DATA.Index 0.payer_key, Expected String value but found null instead.";
        QTest::newRow("DATA not a list") << QByteArray(R"({"DATA":{"payer_key":"1"}})")
                                         << "JSON typeMismatch Array, path: DATA, Expected to decode Array but found "
                                            "another value instead.";
    }
    void envelope_failuresNameTheKeyAndPath() {
        QFETCH(QByteArray, body);
        QFETCH(QString, description);
        QCOMPARE(failureOf<Json::DecodingError>([&] { AutoEuroEnvelope<AutoEuroPayer>::decode(body); }), description);
    }

    void malformedRecord_isSkippedAndCounted() {
        const QByteArray body = R"({"DATA":[{"offer_key":"A"},{"offer_key":"B","price":"дорого"},)"
                                R"({"offer_key":"C","amount":1e30},{"offer_key":"D","rejects":1e999}]})";
        const auto partial = AutoEuroEnvelope<AutoEuroOffer>::decode(body);
        QCOMPARE(std::tuple(partial.DATA->size(), *partial.DATA->at(0).offer_key, partial.skippedRecords),
                 std::tuple(qsizetype(1), QStringLiteral("A"), 3));
        const auto empty = AutoEuroEnvelope<AutoEuroOffer>::decode(R"({"DATA":[{}, {"return":null}]})");
        QCOMPARE(empty.DATA->size(), 2);
        QVERIFY(!empty.DATA->at(1).return_);
        // The envelope itself stays strict.
        QVERIFY(failureOf<Json::DecodingError>([&] {
                    AutoEuroEnvelope<AutoEuroOffer>::decode(R"({"META":[],"DATA":[]})");
                }).startsWith(u"JSON typeMismatch Dictionary, path: META"));
    }

    void jsonReader_keepsTextExactAndRefusesBrokenInput() {
        const Json::Value v = Json::parse(
            "{\"name\":\"Фильтр \\\"MANN\\\" \\u0441\\u0430\\u043b\\u043e\\u043d\\ud83d\\ude97\",\"n\":-0.5e-3}");
        QCOMPARE(Json::decodeString(*v.member(u"name"), {}), QStringLiteral("Фильтр \"MANN\" салон🚗"));
        QCOMPARE(v.member(u"n")->text(), QStringLiteral("-0.5e-3"));
        for (const char* broken : {"", "{", "[1,]", "{\"a\" 1}", "NaN", "01", "\"\x01\"", "[1] x"})
            QVERIFY2(failureOf<Json::DecodingError>([&] {
                         Json::parse(QByteArray(broken));
                     }).startsWith(u"JSON dataCorrupted"),
                     broken);
        // Oversized containers are refused before anything is built.
        QByteArray full = "[0";
        for (int i = 1; i < Json::maxElements; ++i)
            full += ",0";
        QCOMPARE(Json::parse(full + ']').size(), Json::maxElements);
        QVERIFY_THROWS_EXCEPTION(Json::LimitError, Json::parse(full + ",0]"));
    }
};

QTEST_GUILESS_MAIN(TestAutoEuroModels)
#include "tst_AutoEuroModels.moc"
