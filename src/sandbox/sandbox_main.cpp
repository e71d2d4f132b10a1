// orelia-sandbox: the simulated supplier services as a process of their own.
#include "SandboxCommandLine.h"
#include "SandboxServer.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out << SandboxCommandLine::helpText();
        return 0;
    }
    QString error;
    const auto options = SandboxCommandLine::parse(arguments, &error);
    if (!options) {
        err << error << u'\n' << QStringLiteral("See orelia-sandbox --help\n");
        return 2;
    }
    SandboxServer server;
    if (!server.start(*options)) {
        err << QStringLiteral("Cannot listen on 127.0.0.1:%1\n").arg(options->port);
        return 1;
    }
    out << QStringLiteral("AutoEuro: %1/api/v2/json/  key: %2\n")
               .arg(server.origin(ServiceEndpoints::Service::autoEuro).toString(),
                    QString::fromUtf16(SandboxServer::autoEuroAPIKey));
    out << QStringLiteral("ORELIA_AUTOEURO_URL=%1\n")
               .arg(server.origin(ServiceEndpoints::Service::autoEuro).toString());
    out << QStringLiteral("Autopiter: %1/v2/price  user id: %2  password: %3\n")
               .arg(server.origin(ServiceEndpoints::Service::autopiter).toString(),
                    QString::fromUtf16(SandboxServer::autopiterUserID),
                    QString::fromUtf16(SandboxServer::autopiterPassword));
    out << QStringLiteral("ORELIA_AUTOPITER_URL=%1\n")
               .arg(server.origin(ServiceEndpoints::Service::autopiter).toString());
    using S = ServiceEndpoints::Service;
    for (const auto& [service, name] : {std::pair{S::tradeSoft, QStringLiteral("TradeSoft")},
                                        std::pair{S::autoligaPortal, QStringLiteral("Autoliga portal")},
                                        std::pair{S::abcp, QStringLiteral("ABCP shop (any account's address)")}})
        out << QStringLiteral("%1: %2=%3/\n")
                   .arg(name, ServiceEndpoints::environmentVariable(service), server.origin(service).toString());
    out << SandboxCommandLine::demoAccountsText();
    out.flush();
    return QCoreApplication::exec();
}
