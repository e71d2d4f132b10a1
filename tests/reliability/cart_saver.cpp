// Saves the cart in a loop until it is killed: `cart_saver SETTINGS-FILE STEP` loads the cart
// stored after STEP, prints "ready", then makes steps STEP+1, STEP+2, ... printing each number
// once its save has returned.
#include "CartSaveSteps.h"
#include "core/UserDefaults.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    auto defaults = UserDefaults::atPath(args.at(1));
    CartStore cart(*defaults);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int step = args.at(2).toInt() + 1;; ++step) {
        CartSaveSteps::apply(cart, step);
        std::fprintf(stdout, "%d\n", step);
        std::fflush(stdout);
    }
}
