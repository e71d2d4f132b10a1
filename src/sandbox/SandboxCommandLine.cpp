#include "SandboxCommandLine.h"

namespace SandboxCommandLine {

namespace {

using S = ServiceEndpoints::Service;

std::optional<S> serviceNamed(const QString& name) {
    static const QHash<QString, S> names = {
        {QStringLiteral("autoeuro"), S::autoEuro},   {QStringLiteral("autopiter"), S::autopiter},
        {QStringLiteral("tradesoft"), S::tradeSoft}, {QStringLiteral("autoliga"), S::autoligaPortal},
        {QStringLiteral("feedback"), S::feedback},   {QStringLiteral("abcp"), S::abcp},
    };
    const auto it = names.constFind(name.toLower());
    return it == names.cend() ? std::nullopt : std::optional<S>(*it);
}

// "SERVICE=VALUE"; with `operation`, also "SERVICE:OPERATION=VALUE" (the operation may hold
// "=" itself, as in "brand=MAHLE", so the value follows the last one).
bool split(const QString& argument, S* service, QString* value, std::optional<QString>* operation = nullptr) {
    const auto colon = operation ? argument.indexOf(u':') : -1;
    const auto equals = colon > 0 ? argument.lastIndexOf(u'=') : argument.indexOf(u'=');
    if (equals <= 0 || (colon > 0 && equals < colon))
        return false;
    const auto found = serviceNamed(argument.left(colon > 0 ? colon : equals));
    if (!found)
        return false;
    *service = *found;
    *value = argument.mid(equals + 1);
    if (colon > 0)
        *operation = argument.mid(colon + 1, equals - colon - 1);
    return true;
}

bool applyFault(const QString& mode, SandboxBehaviour& behaviour) {
    using F = SandboxBehaviour::Fault;
    for (const auto& [prefix, fault] : {std::pair{u"status:", F::status}, std::pair{u"empty:", F::emptyStatus}}) {
        const QString start = QString::fromUtf16(prefix);
        if (!mode.startsWith(start))
            continue;
        bool ok = false;
        const int status = mode.mid(start.size()).toInt(&ok);
        if (!ok || status < 100 || status > 599)
            return false;
        behaviour.fault = fault;
        behaviour.status = status;
        return true;
    }
    static const QHash<QString, F> modes = {{QStringLiteral("none"), F::none},
                                            {QStringLiteral("malformed"), F::malformed},
                                            {QStringLiteral("api-error"), F::apiError},
                                            {QStringLiteral("hang"), F::hang},
                                            {QStringLiteral("huge"), F::huge},
                                            {QStringLiteral("huge-stream"), F::hugeStream},
                                            {QStringLiteral("html"), F::html},
                                            {QStringLiteral("truncated"), F::truncated},
                                            {QStringLiteral("invalid-utf8"), F::invalidUtf8},
                                            {QStringLiteral("close-mid-body"), F::closeMidBody},
                                            {QStringLiteral("short-body"), F::shortBody},
                                            {QStringLiteral("redirect-loop"), F::redirectLoop},
                                            {QStringLiteral("trickle"), F::trickle},
                                            {QStringLiteral("login-rejected"), F::loginRejected},
                                            {QStringLiteral("login-without-cookie"), F::loginWithoutCookie},
                                            {QStringLiteral("sign-in-rejected"), F::signInRejected}};
    const auto it = modes.constFind(mode);
    if (it == modes.cend())
        return false;
    behaviour.fault = *it;
    return true;
}

} // namespace

QString demoAccountsText() {
    using S = SandboxServer;
    const auto text = [](const char16_t* value) { return QString::fromUtf16(value); };
    return QStringLiteral("Demo accounts: TradeSoft %1 / %2, Autoliga %3 / %4\n"
                          "  TradeSoft suppliers: %5 (login %6 / %7), %8 (login %9 / %10)\n"
                          "  ABCP shop: login %11 / %12\n")
        .arg(text(S::tradeSoftUser), text(S::tradeSoftPassword), text(S::autoligaLogin), text(S::autoligaPassword),
             text(S::uralPartsProvider), text(S::uralPartsLogin), text(S::uralPartsPassword),
             text(S::motorLineProvider), text(S::motorLineLogin))
        .arg(text(S::motorLinePassword), text(S::abcpLogin), text(S::abcpPassword));
}

QString helpText() {
    const QString text = QStringLiteral(
        "orelia-sandbox: simulated supplier services on 127.0.0.1 for development and tests.\n"
        "\n"
        "Usage: orelia-sandbox [options]\n"
        "\n"
        "  --port N                      listen on port N (default 0: any free port)\n"
        "  --latency SERVICE=MS          answer SERVICE after MS milliseconds\n"
        "  --latency SERVICE:OP=MS       answer one operation of SERVICE after MS milliseconds: the\n"
        "                                request path's end (autoeuro:search_items/,\n"
        "                                autoliga:customer/login/, autoliga:autoliga/ for the\n"
        "                                portal's base) or the SOAP operation (autopiter:GetPriceId)\n"
        "  --keep-alive SECONDS          keep idle connections open this long (default 1)\n"
        "  --fault SERVICE=MODE          make SERVICE misbehave; MODE is one of\n"
        "                                  status:CODE  answer with HTTP status CODE and an error body\n"
        "                                               (a SOAP fault for autopiter)\n"
        "                                  empty:CODE   answer with HTTP status CODE and an empty body\n"
        "                                  malformed    answer 200 with a body that is not valid JSON\n"
        "                                               (not well-formed XML for autopiter)\n"
        "                                  api-error    answer 200 with an error in the envelope (\"META\";\n"
        "                                               a SOAP fault for autopiter)\n"
        "                                  hang         never answer\n"
        "                                  huge         answer 200 with a body of 100 MB\n"
        "                                  huge-stream  the same without a Content-Length\n"
        "                                  html         answer with a web page instead\n"
        "                                  truncated    the answer cut off in the middle\n"
        "                                  invalid-utf8 the answer with its Cyrillic text made invalid UTF-8\n"
        "                                  close-mid-body  half the answer, then close the connection\n"
        "                                  short-body   announce more bytes than are sent, then wait\n"
        "                                  redirect-loop   redirect (307) to the same address for ever\n"
        "                                  trickle      send the answer one byte a second\n"
        "                                  login-rejected        autopiter: answer every login \"false\"\n"
        "                                  login-without-cookie  autopiter: answer every login \"true\"\n"
        "                                                        without setting the AuthCoocies cookie\n"
        "                                  sign-in-rejected  refuse the portal sign-in with 403 (autoliga)\n"
        "                                  none         behave (the default)\n"
        "  --fault-match SERVICE=TEXT    apply the fault only to requests whose path and query\n"
        "                                contain TEXT (e.g. search_items/ or brand=MAHLE); for\n"
        "                                autopiter also its SOAPAction or envelope (e.g. GetPriceId\n"
        "                                or <ArticleId>123</ArticleId>)\n"
        "  --drift MODE                  let offers change after they were first served, so that\n"
        "                                a cart re-check finds something; MODE is one of\n"
        "                                  mixed             each offer, two seconds after it was\n"
        "                                                    first served, moves one way or stays\n"
        "                                  price             costs 7 % more\n"
        "                                  stock-gone        has nothing left\n"
        "                                  withdrawn         is no longer offered\n"
        "                                  delivery          takes two days longer\n"
        "                                  duplicated        is listed twice\n"
        "                                  none              stays as served (the default)\n"
        "  --help                        show this text\n"
        "\n"
        "SERVICE: autoeuro (AutoEuro JSON API v2 under /autoeuro/api/v2/json/),\n"
        "         autopiter (Autopiter SOAP price service at /autopiter/v2/price),\n"
        "         autoliga (the Autoliga portal under /autoliga/),\n"
        "         tradesoft (the TradeSoft API under /tradesoft/3/, with the suppliers autoliga74ru0,\n"
        "                    uralparts and motorline),\n"
        "         feedback (the feedback service at /feedback/v1/feedback),\n"
        "         abcp (an ABCP shop's API under /abcp/: search/brands, search/articles, user/info).\n"
        "The AutoEuro API key and the Autopiter user id and password of the sandbox are\n"
        "printed at start.\n");
    return text + demoAccountsText();
}

std::optional<SandboxOptions> parse(const QStringList& arguments, QString* error, SandboxOptions defaults) {
    SandboxOptions options = std::move(defaults);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments.at(i);
        if (i + 1 >= arguments.size()) {
            *error = QStringLiteral("Option %1 needs a value.").arg(option);
            return std::nullopt;
        }
        const QString value = arguments.at(++i);
        S service{};
        QString rest;
        if (option == u"--drift") {
            static const QHash<QString, SandboxDrift> drifts = {
                {QStringLiteral("none"), SandboxDrift::none},
                {QStringLiteral("mixed"), SandboxDrift::mixed},
                {QStringLiteral("price"), SandboxDrift::priceMoved},
                {QStringLiteral("stock-gone"), SandboxDrift::stockGone},
                {QStringLiteral("withdrawn"), SandboxDrift::withdrawn},
                {QStringLiteral("delivery"), SandboxDrift::deliveryChanged},
                {QStringLiteral("duplicated"), SandboxDrift::duplicated}};
            if (!drifts.contains(value)) {
                *error = QStringLiteral("Unknown drift: %1").arg(value);
                return std::nullopt;
            }
            options.drift = drifts.value(value);
        } else if (option == u"--port") {
            bool ok = false;
            options.port = value.toInt(&ok);
            if (!ok || options.port < 0 || options.port > 65535) {
                *error = QStringLiteral("Not a port: %1").arg(value);
                return std::nullopt;
            }
        } else if (option == u"--keep-alive") {
            bool ok = false;
            options.keepAliveSeconds = value.toInt(&ok);
            if (!ok || options.keepAliveSeconds < 1) {
                *error = QStringLiteral("Not a number of seconds: %1").arg(value);
                return std::nullopt;
            }
        } else if (option == u"--latency" || option == u"--fault" || option == u"--fault-match") {
            std::optional<QString> operation;
            if (!split(value, &service, &rest, option == u"--latency" ? &operation : nullptr)) {
                *error = QStringLiteral("Expected SERVICE=VALUE with a known service: %1").arg(value);
                return std::nullopt;
            }
            SandboxBehaviour& behaviour = options.behaviour[service];
            bool ok = true;
            if (option == u"--latency") {
                const int latency = rest.toInt(&ok);
                ok = ok && latency >= 0;
                if (operation)
                    behaviour.operationLatencyMs.insert(*operation, latency);
                else
                    behaviour.latencyMs = latency;
            } else if (option == u"--fault") {
                ok = applyFault(rest, behaviour);
            } else {
                behaviour.faultMatch = rest;
            }
            if (!ok) {
                *error = QStringLiteral("Invalid value for %1: %2").arg(option, value);
                return std::nullopt;
            }
        } else {
            *error = QStringLiteral("Unknown option: %1").arg(option);
            return std::nullopt;
        }
    }
    return options;
}

} // namespace SandboxCommandLine
