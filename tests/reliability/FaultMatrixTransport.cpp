#include "FaultMatrix.h"

ScenarioMaker::ScenarioMaker(Target faulty, const Baseline& baseline)
    : target(faulty)
    , b(baseline) {
    contentMatch = target == Target::autopiter ? u"FindCatalog"_s : QString();
    switch (target) {
    case Target::autoEuro:
        offersMatch = u"search_items/"_s;
        break;
    case Target::autopiter:
        offersMatch = u"GetPriceId"_s;
        break;
    case Target::abcp:
        offersMatch = u"search/articles"_s;
        break;
    case Target::tradeSoftAccount:
        offersMatch = u"getPriceList"_s;
        break;
    default:
        break;
    }
}

void ScenarioMaker::network(const QString& text) {
    s.searchFailure = info(target).searchName + u": "_s + text;
    // The check's text names whom it could not reach.
    s.checkFailure = info(target).checkName + u": "_s + text;
    s.submitFailure = u"Не удалось отправить обращение: "_s + text;
}

void ScenarioMaker::own(const QString& text) {
    s.searchFailure = info(target).searchName + u": "_s + text;
    s.checkFailure = info(target).account ? info(target).searchName + u": "_s + text : text;
    s.submitFailure = text;
}

void ScenarioMaker::customBody(const QByteArray& body, const QString& match) {
    s.behaviour.fault = Fault::body;
    s.behaviour.status = target == Target::feedback ? 201 : 200;
    s.behaviour.body = body;
    s.behaviour.faultMatch = match;
}

void ScenarioMaker::unconfirmedAnswer(const QString& text) {
    s.searchFailure = info(target).searchName + u": "_s + text;
    s.verdict = notFound;
}

void ScenarioMaker::unaffected(std::optional<QStringList> offerKeys, QString verdict) {
    s.offerKeys = std::move(offerKeys);
    s.verdict = std::move(verdict);
}

Scenario scenario(const QString& fault, Target target, const Baseline& b, const ForeignOrigin& foreign) {
    ScenarioMaker m(target, b);
    const bool known = target == Target::abcp || target == Target::tradeSoftAccount
                           ? accountScenario(fault, m, foreign)
                           : transportScenario(fault, m, foreign) || contentScenario(fault, m);
    if (!known)
        qFatal("unknown fault %s", qPrintable(fault));
    return m.s;
}

// The faults of the transport: what no answer, or an answer of the wrong kind, costs each service.
bool transportScenario(const QString& fault, ScenarioMaker& m, const ForeignOrigin& foreign) {
    FAULT_MATRIX_NAMES(m)
    if (fault == u"refused") {
        s.refused = true;
        network(u"Сервер 127.0.0.1 отказал в соединении. Проверьте адрес сервиса в настройках поставщика."_s);
    } else if (fault == u"hang" || fault == u"shortBody") {
        behaviour.fault = fault == u"hang" ? Fault::hang : Fault::shortBody;
        s.timeout = kTimeout;
        network(timedOut);
    } else if (fault == u"closeMidBody") {
        behaviour.fault = Fault::closeMidBody;
        network(u"Сервер закрыл соединение раньше, чем передал ответ."_s);
    } else if (fault.startsWith(u"status")) {
        const bool withBody = !fault.endsWith(u"Empty");
        behaviour.fault = withBody ? Fault::status : Fault::emptyStatus;
        behaviour.status = fault.startsWith(u"status4") ? 404 : withBody ? 500 : 503;
        own(statusText(target, behaviour.status, withBody));
    } else if (fault == u"html" || fault == u"truncated") {
        const bool html = fault == u"html";
        behaviour.fault = html ? Fault::html : Fault::truncated;
        behaviour.faultMatch = contentMatch;
        // AutoEuro keeps its decoding texts; the others say in Russian what was wrong.
        const QString json = u"JSON dataCorrupted, path: , The given data was not valid JSON. "_s +
                             (html ? u"Invalid value around character 0."_s : u"{*}"_s);
        const QString page = u" вернул веб-страницу вместо ответа (HTTP 200)."_s;
        if (target == Target::autoEuro)
            own(u"Ошибка AutoEuro: "_s + json);
        else if (target == Target::autopiter)
            own(html ? u"Autopiter"_s + page : u"Некорректный SOAP-ответ Autopiter: ответ оборван."_s);
        else if (target == Target::tradeSoft)
            own(html ? u"TradeSoft"_s + page : u"TradeSoft: ответ оборван."_s);
        else if (target == Target::portal)
            own(html ? u"Портал Автолиги"_s + page : u"Портал Автолиги: ответ оборван."_s);
        else
            own(info(target).invalidText);
    } else if (fault == u"huge" || fault == u"hugeStream") {
        behaviour.fault = fault == u"huge" ? Fault::huge : Fault::hugeStream;
        own(target == Target::autopiter && fault == u"huge"
                ? u"Некорректный SOAP-ответ Autopiter: Ответ сервера слишком велик."_s
                : info(target).invalidText);
    } else if (fault == u"deepNesting") {
        if (target == Target::autopiter) {
            customBody(soapAnswer(u"FindCatalog"_s, u"<a>"_s.repeated(100000) + u"</a>"_s.repeated(100000)),
                       contentMatch);
            unconfirmedAnswer(
                u"Некорректный SOAP-ответ Autopiter: в FindCatalogResult нет строк SearchCatalogModel."_s);
        } else {
            customBody(QByteArray(100000, '[') + QByteArray(100000, ']'));
            own(info(target).invalidText);
        }
    } else if (fault == u"redirectLoop") {
        behaviour.fault = Fault::redirectLoop;
        network(u"Сервер слишком много раз перенаправил запрос."_s);
    } else if (fault == u"redirectForeign") {
        behaviour.fault = Fault::redirectForeign;
        behaviour.redirectTarget = foreign.url();
        s.foreign = true;
        own(target == Target::autopiter
                ? u"Некорректный SOAP-ответ Autopiter: Сервер перенаправил запрос на другой адрес."_s
                : info(target).invalidText);
    } else if (fault == u"trickle") {
        behaviour.fault = Fault::trickle;
        s.timeout = kTimeout;
        behaviour.trickleMs = static_cast<int>(kTimeout.count() / 3);
        network(timedOut);
    } else if (fault == u"queue") {
        behaviour.latencyMs = kSlowAnswerMs;
        behaviour.latencyMatch = target == Target::portal ? u"client/search/"_s : offersMatch;
        s.timeout = kQueueTimeout;
        s.concurrent = true;
        if (target == Target::autoEuro) {
            const QString brand =
                u"{\"brand\":%1,\"code\":%2}"_s.arg(jsonText(b.autoEuro.brand), jsonText(b.autoEuro.article));
            customBody(autoEuroAnswer(QStringList(kFanOut, brand)), u"search_brands/"_s);
        } else if (target == Target::autopiter) {
            const QString row =
                u"<SearchCatalogModel><ArticleId>%1</ArticleId><Number>%2</Number></SearchCatalogModel>"_s
                    .arg(b.autopiterArticleID)
                    .arg(kArticle);
            customBody(soapAnswer(u"FindCatalog"_s, row.repeated(kFanOut)), contentMatch);
        }
    } else {
        return false;
    }
    return true;
}
