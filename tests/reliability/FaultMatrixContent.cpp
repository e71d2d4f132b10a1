#include "FaultMatrix.h"

// The faults of the content: answers of the right kind that say what a reader must not believe.
bool contentScenario(const QString& fault, ScenarioMaker& m) {
    FAULT_MATRIX_NAMES(m)
    if (fault == u"wrongTypes") {
        switch (target) {
        case Target::abcp:
        case Target::tradeSoftAccount:
            break; // accountScenario's
        case Target::autoEuro: {
            // One record per field, each with that field of a wrong type: none is left.
            QStringList records;
            for (const QString& name : memberNames(autoEuroOffer(b, {})))
                records.append(with(autoEuroOffer(b, u"W-"_s + name), name, kWrong));
            customBody(autoEuroAnswer(records), offersMatch);
            own(u"Ошибка AutoEuro: JSON typeMismatch String, path: DATA.Index 0.offer_key, Expected to decode "
                u"String but found another value instead."_s);
            break;
        }
        case Target::autopiter: {
            // XML has no types: words where numbers belong. Without a price the row is gone; the
            // other fields are left out of their rows.
            QStringList rows;
            for (const QString& name : u"SalePrice SellerId NumberOfAvailable MinNumberOfSales NumberOfDaysSupply "
                                       u"DeliveryDate SuccessfulOrdersProcent"_s.split(u' '))
                rows.append(autopiterPriceRow(b, u"W-"_s + name, {{name, u"дёшево"_s}}));
            customBody(autopiterPrices(rows), offersMatch);
            unaffected(keys(u"W-SellerId W-NumberOfAvailable W-MinNumberOfSales W-NumberOfDaysSupply "
                            u"W-DeliveryDate W-SuccessfulOrdersProcent"_s),
                       notFound);
            break;
        }
        case Target::portal: {
            QStringList rows;
            for (const QString& name : memberNames(portalRow(b, {})))
                rows.append(with(portalRow(b, u"W-"_s + name), name, kWrong));
            customBody(portalAnswer(rows));
            // A row whose own id is of no use is known by its place.
            unaffected(keys(u"originals:0 W-description W-amountNum W-minimumQuantity W-cssRule"_s, portalKey),
                       notFound);
            break;
        }
        case Target::tradeSoft: {
            QStringList members;
            for (const QString& name : memberNames(tradeSoftRow(b.tradeSoft)))
                members.append(jsonText(name) + u':' + kWrong);
            customBody(tradeSoftAnswer({u'{' + members.join(u',') + u'}'}));
            // The only row has no price: nothing can be confirmed, nor is the offer shown gone.
            unaffected(QStringList(), notFound);
            break;
        }
        case Target::feedback:
            customBody(u"{\"id\":%1,\"status\":%1,\"createdAt\":%1}"_s.arg(kWrong).toUtf8());
            own(info(target).invalidText);
            break;
        }
    } else if (fault == u"oddNumbers") {
        switch (target) {
        case Target::abcp:
        case Target::tradeSoftAccount:
            break; // accountScenario's
        case Target::autoEuro: {
            const auto record = [&](const QString& key, const QString& name, const QString& raw) {
                return with(autoEuroOffer(b, key), name, raw);
            };
            customBody(autoEuroAnswer({record(u"N-inf"_s, u"price"_s, u"1e999"_s),
                                       record(u"N-nan"_s, u"price"_s, u"\"NaN\""_s),
                                       record(u"N-big"_s, u"price"_s, big), record(u"N-amount"_s, u"amount"_s, big),
                                       record(u"N-amount-inf"_s, u"amount"_s, u"1e999"_s),
                                       record(u"N-rejects"_s, u"rejects"_s, u"\"NaN\""_s),
                                       record(u"N-packing"_s, u"packing"_s, big), autoEuroOffer(b, u"G"_s)}),
                       offersMatch);
            // 2^70 roubles is no price either.
            unaffected(keys(u"G"_s), notFound);
            break;
        }
        case Target::autopiter:
            customBody(
                autopiterPrices({autopiterPriceRow(b, u"N-inf"_s, {{u"SalePrice"_s, u"1e999"_s}}),
                                 autopiterPriceRow(b, u"N-nan"_s, {{u"SalePrice"_s, u"NaN"_s}}),
                                 autopiterPriceRow(b, u"N-big"_s, {{u"SalePrice"_s, big}}),
                                 autopiterPriceRow(b, u"N-available"_s, {{u"NumberOfAvailable"_s, big}}),
                                 autopiterPriceRow(b, u"N-days"_s, {{u"NumberOfDaysSupply"_s, u"1e999"_s}}),
                                 autopiterPriceRow(b, u"N-percent"_s, {{u"SuccessfulOrdersProcent"_s, u"NaN"_s}}),
                                 autopiterPriceRow(b, u"G"_s)}),
                offersMatch);
            unaffected(keys(u"G N-available N-days N-percent"_s), notFound);
            break;
        case Target::portal: {
            const auto row = [&](const QString& id, const QString& name, const QString& raw) {
                return with(portalRow(b, id), name, raw);
            };
            customBody(
                portalAnswer({row(u"N-inf"_s, u"price"_s, u"\"1e999\""_s), row(u"N-nan"_s, u"price"_s, u"\"NaN\""_s),
                              row(u"N-big"_s, u"price"_s, big), row(u"N-term"_s, u"term"_s, jsonText(big)),
                              row(u"N-amount"_s, u"amountNum"_s, u"\"1e999\""_s), portalRow(b, u"G"_s)}));
            unaffected(keys(u"G N-amount"_s, portalKey), notFound);
            break;
        }
        case Target::tradeSoft: {
            QString row = with(tradeSoftRow(b.tradeSoft), u"rest"_s, u"1e999"_s);
            row = with(with(row, u"deliverydays_max"_s, big), u"minquantity"_s, u"\"NaN\""_s);
            customBody(tradeSoftAnswer({row}));
            // The stock is no number: said so, the rest holds.
            unaffected(QStringList(), changed);
            break;
        }
        case Target::feedback:
            customBody(feedbackReceipt(u",\"createdAt\":1e999"_s));
            own(info(target).invalidText);
            break;
        }
    } else if (fault == u"invalidUtf8") {
        behaviour.fault = Fault::invalidUtf8;
        switch (target) {
        case Target::abcp:
        case Target::tradeSoftAccount:
            break; // accountScenario's
        case Target::autoEuro:
            // Every Cyrillic name damaged, so "Челябинск" with them; in the offers only, the
            // names are shown as the reader repaired them.
            // The guard can no longer tell a wrong kind of part by its name and keeps it.
            // The check sees the delivery text changed.
            behaviour.faultMatch = offersMatch;
            unaffected(std::nullopt, changed);
            break;
        case Target::autopiter:
            own(u"Некорректный SOAP-ответ Autopiter: FindCatalog."_s);
            break;
        case Target::portal:
            unaffected(std::nullopt, u"Изменилось"_s);
            break;
        case Target::tradeSoft:
            unaffected(QStringList(), changed);
            break;
        case Target::feedback:
            customBody(QByteArray("{\"id\":\"FB-\xFF\xFE\",\"status\":\"received\"}"));
            own(info(target).invalidText);
            break;
        }
    } else if (fault == u"tinyValues") {
        s.memory = true;
        switch (target) {
        case Target::abcp:
        case Target::tradeSoftAccount:
            break; // accountScenario's
        case Target::autoEuro:
            customBody(tinyValues("{\"DATA\":", "}", kTinyValuesSize), u"search_brands/"_s);
            own(u"Ошибка AutoEuro: JSON typeMismatch Dictionary, path: DATA.Index 0, Expected to decode Dictionary "
                u"but found another value instead."_s);
            s.checkFailure = QString();
            break;
        case Target::autopiter: {
            QString rows;
            const QString row = u"<PriceSearchModel><DetailUid>%1</DetailUid><SalePrice>1</SalePrice>"
                                u"<Number>OC 90</Number><Name>x</Name></PriceSearchModel>"_s;
            for (int i = 0; rows.size() < kTinyValuesSize - 1024; ++i)
                rows += row.arg(i);
            customBody(autopiterPrices({rows}), offersMatch);
            own(u"Некорректный SOAP-ответ Autopiter: ответ слишком велик: больше 20{*}000 строк."_s);
            break;
        }
        case Target::portal:
            customBody(tinyValues("{\"data\":{\"rows\":{\"a\":", "}}}", kTinyValuesSize));
            unaffected(QStringList(), notFound);
            break;
        case Target::tradeSoft:
            customBody(tinyValues("{\"container\":[{\"data\":", "}]}", kTinyValuesSize));
            unaffected(QStringList(), gone);
            break;
        case Target::feedback:
            customBody(tinyValues("{\"id\":\"FB-1\",\"status\":\"received\",\"padding\":", "}", kTinyValuesSize));
            break;
        }
    } else if (fault == u"fanOutFailing") {
        behaviour.fault = Fault::status;
        behaviour.status = 500;
        behaviour.faultMatch = offersMatch;
        s.twoLines = true;
        own(statusText(target, 500, true));
    } else if (fault == u"malformedRecord") {
        switch (target) {
        case Target::abcp:
        case Target::tradeSoftAccount:
            break; // accountScenario's
        case Target::autoEuro:
            customBody(autoEuroAnswer({autoEuroOffer(b, u"G1"_s), with(autoEuroOffer(b, u"B"_s), u"price"_s, kWrong),
                                       autoEuroOffer(b, u"G2"_s)}),
                       offersMatch);
            unaffected(keys(u"G1 G2"_s), notFound);
            break;
        case Target::autopiter:
            customBody(autopiterPrices(
                           {autopiterPriceRow(b, u"G1"_s), autopiterPriceRow(b, u"B1"_s, {{u"DetailUid"_s, QString()}}),
                            autopiterPriceRow(b, u"B2"_s, {{u"SalePrice"_s, u" "_s}}), autopiterPriceRow(b, u"G2"_s)}),
                       offersMatch);
            unaffected(keys(u"G1 G2"_s), notFound);
            break;
        case Target::portal:
            customBody(portalAnswer(
                {portalRow(b, u"G1"_s), with(portalRow(b, u"B"_s), u"price"_s, kWrong), portalRow(b, u"G2"_s)}));
            unaffected(keys(u"G1 G2"_s, portalKey), notFound);
            break;
        case Target::tradeSoft: {
            const QString bad =
                with(with(tradeSoftRow(b.tradeSoft), u"price"_s, kWrong), u"itemHash"_s, u"\"other\""_s);
            customBody(tradeSoftAnswer({bad, tradeSoftRow(b.tradeSoft)}));
            break;
        }
        case Target::feedback:
            customBody(feedbackReceipt(u",\"extra\":{\"x\":[1,{}]},\"note\":null"_s));
            break;
        }
    } else if (fault == u"controlCharacters") {
        s.terminal = true;
        const QString escape = u"\\u001b[2J\\u001b[1;1HAutoEuro: OK, найдено предложений: 99\\u0007"_s;
        switch (target) {
        case Target::abcp:
        case Target::tradeSoftAccount:
            break; // accountScenario's
        case Target::autoEuro:
            customBody(
                autoEuroAnswer({with(autoEuroOffer(b, u"C"_s), u"name"_s, u'"' + b.autoEuro.name + escape + u'"')}),
                offersMatch);
            unaffected(keys(u"C"_s), notFound);
            break;
        case Target::autopiter:
            // XML 1.0 refuses C0 characters even as references; C1 ones it lets through.
            customBody(autopiterPrices(
                           {autopiterPriceRow(b, u"C"_s, {{u"Name"_s, b.autopiter.name + u"&#x9B;2J\u009b0m"_s}})}),
                       offersMatch);
            unaffected(keys(u"C"_s), notFound);
            break;
        case Target::portal:
            customBody(portalAnswer({with(portalRow(b, u"C"_s), u"name"_s, u'"' + b.portal.name + escape + u'"')}));
            unaffected(keys(u"C"_s, portalKey), notFound);
            break;
        case Target::tradeSoft:
            customBody(
                tradeSoftAnswer({with(tradeSoftRow(b.tradeSoft), u"direction"_s, u"\"Склад"_s + escape + u'"')}));
            unaffected(QStringList(), changed);
            break;
        case Target::feedback:
            customBody(u"{\"error\":\"%1\"}"_s.arg(escape).toUtf8());
            behaviour.status = 500;
            // The server's words on one line, without what a terminal would obey.
            own(u"Ошибка сервера 500: [2J [1;1HAutoEuro: OK, найдено предложений: 99"_s);
            break;
        }
    } else if (fault == u"errorAnswer") {
        // What the service says of itself in a success answer is its failure, on one line and of a
        // length a status line can show; never "nothing found".
        const QString lines = u"Сбой\\r\\nAutoEuro: OK, найдено предложений: 99 "_s + u"очень долго "_s.repeated(3000);
        const QString cut = u"Сбой AutoEuro: OK, найдено предложений: 99 очень долго {*}…"_s;
        switch (target) {
        case Target::abcp:
        case Target::tradeSoftAccount:
            break; // accountScenario's
        case Target::autoEuro:
            customBody(u"{\"META\":{\"result\":\"%1\"}}"_s.arg(lines).toUtf8(), offersMatch);
            own(u"Ошибка AutoEuro: "_s + cut);
            break;
        case Target::autopiter:
            customBody(
                u"<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><soap:Fault>"
                u"<faultcode>soap:Server</faultcode><faultstring>%1</faultstring></soap:Fault></soap:Body>"
                u"</soap:Envelope>"_s.arg(QString(lines).replace(u"\\r\\n"_s, u"\r\n"_s))
                    .toUtf8(),
                contentMatch);
            unconfirmedAnswer(u"Autopiter сообщил об ошибке: "_s + cut);
            break;
        case Target::tradeSoft:
            customBody(u"{\"error\":\"%1\"}"_s.arg(lines).toUtf8());
            own(cut);
            break;
        case Target::portal:
            customBody(u"{\"success\":false,\"message\":\"%1\"}"_s.arg(lines).toUtf8());
            own(info(target).invalidText);
            break;
        case Target::feedback:
            customBody(u"{\"error\":\"<html><body><h1>%1</h1></body></html>\"}"_s.arg(lines).toUtf8());
            behaviour.status = 503;
            own(u"Ошибка сервера 503: "_s + cut);
            break;
        }
    } else if (fault == u"outOfRange") {
        // A kopeck's fraction and a fortune of 301 digits are no prices: those offers go.
        const QString tiny = u"1e-30"_s;
        const QString fortune = u"1"_s + QString(300, u'0');
        switch (target) {
        case Target::abcp:
        case Target::tradeSoftAccount:
            break; // accountScenario's
        case Target::autoEuro:
            customBody(autoEuroAnswer({with(autoEuroOffer(b, u"R-tiny"_s), u"price"_s, tiny),
                                       with(autoEuroOffer(b, u"R-fortune"_s), u"price"_s, fortune),
                                       with(autoEuroOffer(b, u"R-stock"_s), u"amount"_s, u"-5"_s),
                                       with(autoEuroOffer(b, u"R-days"_s), u"delivery_time"_s, u"\"-3 дн.\""_s),
                                       autoEuroOffer(b, u"G"_s)}),
                       offersMatch);
            unaffected(keys(u"G R-stock R-days"_s), notFound);
            break;
        case Target::autopiter:
            customBody(autopiterPrices({autopiterPriceRow(b, u"R-tiny"_s, {{u"SalePrice"_s, tiny}}),
                                        autopiterPriceRow(b, u"R-fortune"_s, {{u"SalePrice"_s, fortune}}),
                                        autopiterPriceRow(b, u"R-stock"_s, {{u"NumberOfAvailable"_s, u"-5"_s}}),
                                        autopiterPriceRow(b, u"G"_s)}),
                       offersMatch);
            unaffected(keys(u"G R-stock"_s), notFound);
            break;
        case Target::portal:
            customBody(portalAnswer({with(portalRow(b, u"R-tiny"_s), u"price"_s, jsonText(tiny)),
                                     with(portalRow(b, u"R-fortune"_s), u"price"_s, jsonText(fortune)),
                                     with(portalRow(b, u"R-days"_s), u"term"_s, u"\"4611686018427387904\""_s),
                                     portalRow(b, u"G"_s)}));
            unaffected(keys(u"G R-days"_s, portalKey), notFound);
            break;
        case Target::tradeSoft:
            // The line itself, priced at nothing: neither confirmed nor gone.
            customBody(tradeSoftAnswer({with(tradeSoftRow(b.tradeSoft), u"price"_s, tiny)}));
            unaffected(QStringList(), notFound);
            break;
        case Target::feedback:
            break;
        }
    } else {
        return false;
    }
    return true;
}
