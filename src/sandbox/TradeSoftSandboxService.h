#pragma once

namespace httplib {
class Server;
}
namespace SandboxHttp {
class Context;
}

// The TradeSoft API as the sandbox plays it: POST "3/" with a JSON body naming the action
// ("getProviderList", "getProducerList", "getPriceList", "preOrderSearch", in any letter case), the
// TradeSoft account and, in each container item, a provider with the user's account there. Three
// providers: Autoliga (its rows are the portal's lines), "uralparts" and "motorline".
namespace TradeSoftSandboxService {
void install(httplib::Server& server, SandboxHttp::Context& context);
}
