#pragma once

namespace httplib {
class Server;
}
namespace SandboxHttp {
class Context;
}

// The AutoEuro JSON API v2 as the sandbox plays it: "get_payers/", "get_deliveries/",
// "get_statuses/", "search_brands/" and "search_items/" under "api/v2/json/", each
// checking the "key" header.
namespace AutoEuroSandboxService {
void install(httplib::Server& server, SandboxHttp::Context& context);
}
