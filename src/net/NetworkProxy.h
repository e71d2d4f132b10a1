#pragma once

// The proxy a shop's network has: the system's proxy settings and the usual proxy variables
// (http_proxy, https_proxy, no_proxy), as Qt's system proxy factory reads them. Requests to this
// computer (the sandbox, a local gateway) never go through a proxy.
namespace NetworkProxy {

// Installs the factory for the whole process; later calls do nothing.
void useSystemSettings();

} // namespace NetworkProxy
