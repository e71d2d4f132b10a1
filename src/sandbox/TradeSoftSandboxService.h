#pragma once

namespace httplib {
class Server;
}
namespace SandboxHttp {
class Context;
}

// The TradeSoft API as the sandbox plays it: POST "3/" with a JSON body naming the action
// ("preOrderSearch", "GetProducerList"), the TradeSoft account and, in the one container
// item, the provider with the user's account there. Autoliga's rows are the portal's lines.
namespace TradeSoftSandboxService {
void install(httplib::Server& server, SandboxHttp::Context& context);
}
