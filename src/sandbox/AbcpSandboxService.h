#pragma once

namespace httplib {
class Server;
}
namespace SandboxHttp {
class Context;
}

// One ABCP shop as the sandbox plays it, under "abcp/" on any host: GET "search/brands",
// "search/articles" and "user/info" (a trailing "/" or none), each with the customer's login and
// the MD5 of the password in the query; the platform's error objects ({"errorCode", "errorMessage"}
// with a 4xx status, 404 with 301 for "nothing found"), and the loose typing real shops answer with.
namespace AbcpSandboxService {
void install(httplib::Server& server, SandboxHttp::Context& context);
}
