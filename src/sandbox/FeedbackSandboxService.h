#pragma once

namespace httplib {
class Server;
}
namespace SandboxHttp {
class Context;
}

// The feedback service as the sandbox plays it: POST "v1/feedback" with a JSON body;
// 201 with a receipt ("FB-000123", "received", createdAt) or 4xx with {"error": …}.
namespace FeedbackSandboxService {
void install(httplib::Server& server, SandboxHttp::Context& context);
}
