#include "FaultMatrix.h"

// Every fault for the suppliers the buyer added: the ABCP shop (its own host) and the supplier inside
// TradeSoft (the service Autoliga's check uses too). Their searches fail with the supplier's name in
// front, their checks name the supplier, or TradeSoft for a transport failure.
bool accountScenario(const QString& fault, ScenarioMaker& m, const ForeignOrigin& foreign) {
    const Baseline& b = m.b;
    Scenario& s = m.s;
    SandboxBehaviour& behaviour = s.behaviour;
    const bool shop = m.target == Target::abcp;
    const QString invalid = info(m.target).invalidText;
    // The supplier's healthy offer inside TradeSoft, as its price list writes it.
    const QString tradeSoftGood = tradeSoftRow(b.tradeSoftAccount);
    const QStringList tradeSoftKeys{b.tradeSoftAccount.supplierOfferKey};

    if (fault == u"refused") {
        s.refused = true;
        m.network(u"Сервер 127.0.0.1 отказал в соединении. Проверьте адрес сервиса в настройках поставщика."_s);
    } else if (fault == u"hang" || fault == u"shortBody" || fault == u"trickle") {
        behaviour.fault = fault == u"hang" ? Fault::hang : fault == u"trickle" ? Fault::trickle : Fault::shortBody;
        behaviour.trickleMs = static_cast<int>(kTimeout.count() / 3);
        s.timeout = kTimeout;
        m.network(m.timedOut);
    } else if (fault == u"closeMidBody") {
        behaviour.fault = Fault::closeMidBody;
        m.network(u"Сервер закрыл соединение раньше, чем передал ответ."_s);
    } else if (fault.startsWith(u"status")) {
        const bool withBody = !fault.endsWith(u"Empty");
        behaviour.fault = withBody ? Fault::status : Fault::emptyStatus;
        behaviour.status = fault.startsWith(u"status4") ? 404 : withBody ? 500 : 503;
        m.own(statusText(m.target, behaviour.status, withBody));
    } else if (fault == u"html") {
        behaviour.fault = Fault::html;
        m.own(shop ? u"вместо ответа API пришла веб-страница (HTTP 200): проверьте адрес API"_s
                   : u"TradeSoft вернул веб-страницу вместо ответа (HTTP 200)."_s);
    } else if (fault == u"truncated") {
        behaviour.fault = Fault::truncated;
        m.own(shop ? u"ответ оборван"_s : u"TradeSoft: ответ оборван."_s);
    } else if (fault == u"huge" || fault == u"hugeStream" || fault == u"redirectForeign") {
        behaviour.fault = fault == u"huge"         ? Fault::huge
                          : fault == u"hugeStream" ? Fault::hugeStream
                                                   : Fault::redirectForeign;
        behaviour.redirectTarget = foreign.url();
        s.foreign = fault == u"redirectForeign";
        m.own(invalid);
    } else if (fault == u"deepNesting") {
        m.customBody(QByteArray(100000, '[') + QByteArray(100000, ']'));
        m.own(invalid);
    } else if (fault == u"redirectLoop") {
        behaviour.fault = Fault::redirectLoop;
        m.network(u"Сервер слишком много раз перенаправил запрос."_s);
    } else if (fault == u"queue") {
        // The shop: more brands than one host takes at a time, each asked; TradeSoft: cart checks at once.
        behaviour.latencyMs = kSlowAnswerMs;
        behaviour.latencyMatch = shop ? m.offersMatch : u"preOrderSearch"_s;
        s.timeout = kQueueTimeout;
        s.concurrent = true;
        if (shop) {
            QStringList hits;
            for (int i = 0; i < kFanOut; ++i)
                hits.append(u"\"%1\":{\"brand\":\"%2\",\"number\":\"OC 90\"}"_s.arg(i).arg(i == 0   ? u"MAHLE"_s
                                                                                           : i == 1 ? u"KNECHT"_s
                                                                                                    : u"B%1"_s.arg(i)));
            m.customBody((u'{' + hits.join(u',') + u'}').toUtf8(), u"search/brands"_s);
        }
    } else if (fault == u"wrongTypes") {
        if (shop) {
            // A field the offer cannot be without leaves the row out; any other, only itself.
            QStringList rows;
            QStringList kept;
            for (const QString& name : memberNames(abcpRow(b, {}))) {
                rows.append(with(abcpRow(b, u"W-"_s + name), name, kWrong));
                if (!QStringList{u"itemKey"_s, u"supplierCode"_s, u"brand"_s, u"number"_s, u"price"_s}.contains(name))
                    kept.append(u"W-"_s + name);
            }
            m.customBody(abcpAnswer(rows), m.offersMatch);
            m.unaffected(abcpKeys(kept.join(u' ')), m.notFound);
        } else {
            QStringList members;
            for (const QString& name : memberNames(tradeSoftGood))
                members.append(jsonText(name) + u':' + kWrong);
            m.customBody(tradeSoftAccountAnswer({u'{' + members.join(u',') + u'}'}), m.offersMatch);
            m.unaffected(QStringList());
        }
    } else if (fault == u"oddNumbers") {
        if (shop) {
            const auto row = [&](const QString& key, const QString& name, const QString& raw) {
                return with(abcpRow(b, key), name, raw);
            };
            m.customBody(
                abcpAnswer({row(u"N-inf"_s, u"price"_s, u"\"1e999\""_s), row(u"N-nan"_s, u"price"_s, u"\"NaN\""_s),
                            row(u"N-big"_s, u"price"_s, m.big), row(u"N-stock"_s, u"availability"_s, m.big),
                            row(u"N-hours"_s, u"deliveryPeriod"_s, u"1e999"_s),
                            row(u"N-odds"_s, u"deliveryProbability"_s, u"\"NaN\""_s), abcpRow(b, u"G"_s)}),
                m.offersMatch);
            m.unaffected(abcpKeys(u"G N-stock N-hours N-odds"_s), m.notFound);
        } else {
            QString row = with(tradeSoftGood, u"rest"_s, u"1e999"_s);
            row = with(with(row, u"deliverydays_max"_s, m.big), u"minquantity"_s, u"\"NaN\""_s);
            m.customBody(tradeSoftAccountAnswer({row}), m.offersMatch);
            m.unaffected(tradeSoftKeys);
        }
    } else if (fault == u"invalidUtf8") {
        // Names and warehouses are damaged, the offers stand; the check sees the names (the shop) or
        // the warehouse (TradeSoft) changed.
        behaviour.fault = Fault::invalidUtf8;
        m.unaffected(std::nullopt, shop ? u"Изменилось"_s : m.changed);
    } else if (fault == u"tinyValues") {
        s.memory = true;
        m.customBody(shop ? tinyValues("", "", kTinyValuesSize)
                          : tinyValues("{\"container\":[{\"provider\":\"uralparts\",\"data\":", "}]}", kTinyValuesSize),
                     shop ? u"search/brands"_s : u"getProducerList"_s);
        m.unaffected(QStringList());
    } else if (fault == u"fanOutFailing") {
        behaviour.fault = Fault::status;
        behaviour.status = 500;
        // TradeSoft asks for all of one supplier's brands in one call: every call fails.
        behaviour.faultMatch = shop ? m.offersMatch : QString();
        s.twoLines = true;
        m.own(statusText(m.target, 500, true));
    } else if (fault == u"malformedRecord") {
        if (shop) {
            m.customBody(
                abcpAnswer({abcpRow(b, u"G1"_s), with(abcpRow(b, u"B"_s), u"price"_s, kWrong), abcpRow(b, u"G2"_s)}),
                m.offersMatch);
            m.unaffected(abcpKeys(u"G1 G2"_s), m.notFound);
        } else {
            const QString bad = with(with(tradeSoftGood, u"price"_s, kWrong), u"itemHash"_s, u"\"other\""_s);
            m.customBody(tradeSoftAccountAnswer({bad, tradeSoftGood}), m.offersMatch);
            m.unaffected(tradeSoftKeys);
        }
    } else if (fault == u"controlCharacters") {
        s.terminal = true;
        const QString escape = u"\\u001b[2J\\u001b[1;1HAutoEuro: OK, найдено предложений: 99\\u0007"_s;
        if (shop) {
            m.customBody(abcpAnswer({with(abcpRow(b, u"C"_s), u"description"_s, u'"' + b.abcp.name + escape + u'"')}),
                         m.offersMatch);
            m.unaffected(abcpKeys(u"C"_s), m.notFound);
        } else {
            m.customBody(
                tradeSoftAccountAnswer({with(tradeSoftGood, u"caption"_s, u'"' + b.abcp.name + escape + u'"')}),
                m.offersMatch);
            m.unaffected(tradeSoftKeys);
        }
    } else if (fault == u"errorAnswer") {
        // What the service says of itself in a success answer is its failure, on one line.
        const QString lines = u"Сбой\\r\\nAutoEuro: OK, найдено предложений: 99 "_s + u"очень долго "_s.repeated(3000);
        const QString cut = u"Сбой AutoEuro: OK, найдено предложений: 99 очень долго {*}…"_s;
        m.customBody(
            (shop ? u"{\"errorCode\":13,\"errorMessage\":\"%1\"}"_s : u"{\"error\":\"%1\"}"_s).arg(lines).toUtf8());
        m.own(shop ? u"ошибка 13: "_s + cut : cut);
    } else if (fault == u"outOfRange") {
        const QString tiny = u"1e-30"_s;
        if (shop) {
            m.customBody(
                abcpAnswer({with(abcpRow(b, u"R-tiny"_s), u"price"_s, tiny),
                            with(abcpRow(b, u"R-fortune"_s), u"price"_s, u"1"_s + QString(300, u'0')),
                            with(abcpRow(b, u"R-stock"_s), u"availability"_s, u"-5"_s),
                            with(abcpRow(b, u"R-hours"_s), u"deliveryPeriod"_s, u"\"-72\""_s), abcpRow(b, u"G"_s)}),
                m.offersMatch);
            m.unaffected(abcpKeys(u"G R-stock R-hours"_s), m.notFound);
        } else {
            m.customBody(tradeSoftAccountAnswer({with(tradeSoftGood, u"price"_s, tiny)}), m.offersMatch);
            m.unaffected(QStringList());
        }
    } else {
        return false;
    }
    return true;
}
