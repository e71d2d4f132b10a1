#pragma once

#include "SandboxCatalogue.h"

#include <QString>

namespace httplib {
class Server;
}
namespace SandboxHttp {
class Context;
}

// The Autoliga customer portal as the sandbox plays it: GET of the base sets a session
// cookie, POST "api/v2/customer/login/" signs the session in with the demo account and sets
// an auth cookie, GET "api/v2/client/search/" answers only a signed-in session.
namespace AutoligaPortalSandboxService {

void install(httplib::Server& server, SandboxHttp::Context& context);

// What the portal and TradeSoft both say about one stock line, so that an offer seen on the
// portal is found again through TradeSoft.
// The portal's row id (TradeSoft's item hash); empty for lines the portal lists without one.
QString rowID(const SandboxCatalogue::StockLine& line);
// Autoliga's price of the line, in roubles with two decimals.
double price(const SandboxCatalogue::StockLine& line);
// Delivery term in days.
int termDays(const SandboxCatalogue::StockLine& line);

// The line as Autoliga offers it now, after the market moved (see SandboxDrift): a copy with
// the current price and stock, the extra days of delivery, and how many times it is listed.
struct ServedStock {
    SandboxCatalogue::StockLine line;
    int extraDays = 0;
    int copies = 1;
};
ServedStock served(SandboxHttp::Context& context, const SandboxCatalogue::StockLine& line);

} // namespace AutoligaPortalSandboxService
