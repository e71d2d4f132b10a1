#include "NetworkProxy.h"

#include <QHostAddress>
#include <QNetworkProxyFactory>

namespace NetworkProxy {

namespace {

class SystemProxyFactory final : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        const QString host = query.peerHostName();
        const QHostAddress address(host);
        if (host.compare(u"localhost", Qt::CaseInsensitive) == 0 || (!address.isNull() && address.isLoopback()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

} // namespace

void useSystemSettings() {
    static const bool installed = [] {
        // Qt owns the factory from here on.
        QNetworkProxyFactory::setApplicationProxyFactory(new SystemProxyFactory);
        return true;
    }();
    (void)installed;
}

} // namespace NetworkProxy
