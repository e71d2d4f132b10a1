#pragma once

namespace httplib {
class Server;
}
namespace SandboxHttp {
class Context;
}

// The Autopiter SOAP 1.1 price service as the sandbox plays it: one path, "v2/price",
// taking POSTed envelopes named by their "SOAPAction" header (Authorization,
// IsAuthorization, FindCatalog, GetPriceId). A login sets the "AuthCoocies" cookie,
// which every later operation must bring back.
namespace AutopiterSandboxService {

// The namespace of its operations; "SOAPAction" is this followed by the operation.
inline constexpr auto serviceNamespace = u"http://www.autopiter.ru/";

void install(httplib::Server& server, SandboxHttp::Context& context);

} // namespace AutopiterSandboxService
