#pragma once

#include "cart/CartStore.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "search/SearchViewModel.h"
#include "support/FakeConnectors.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"
#include "ui/ContentView.h"
#include "ui/MainWindow.h"
#include "ui/OfferHeaderView.h"
#include "ui/OfferTableModel.h"
#include "ui/OfferTableView.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// A KNECHT OC 90 of the given supplier, key and price.
inline SupplierOffer knechtOC90(const QString& supplier, const QString& key, const char* price) {
    return OfferBuilder(supplier, key).price(price).article(QStringLiteral("OC 90")).brand(QStringLiteral("KNECHT"));
}

// The real window over a private settings file and fake suppliers (AutoEuro and Autopiter
// are enabled by default, the portal is not). Set up the fakes, then open().
struct WindowHarness {
    TestEnvironment env;
    std::unique_ptr<UserDefaults> defaults = env.makeDefaults();
    SupplierPreferences prefs{*defaults};
    CartStore cart{*defaults};
    FakeConnectorFactory fakes;
    std::unique_ptr<MainWindow> window;

    void open() {
        window = std::make_unique<MainWindow>(prefs, fakes, *defaults, cart);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    ContentView& content() const { return *window->contentView(); }
    OfferTableView& table() const { return *content().tableView(); }
    OfferTableModel& model() const { return *content().tableModel(); }
    QLineEdit& field() const { return *content().searchField(); }

    // Types the article and presses Return, as the user does.
    void submit(const QString& article) {
        field().clear();
        QTest::keyClicks(&field(), article);
        QTest::keyClick(&field(), Qt::Key_Return);
    }
    bool search(const QString& article) {
        QSignalSpy finished(&window->viewModel(), &SearchViewModel::searchFinished);
        submit(article);
        return finished.wait(5000);
    }
    void clickCell(int row, int column, Qt::KeyboardModifiers modifiers = {}) const {
        const QRect rect = table().visualRect(model().index(row, column));
        QTest::mouseClick(table().viewport(), Qt::LeftButton, modifiers, rect.center());
    }
    void clickHeader(int column) const {
        OfferHeaderView* header = table().offerHeader();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    QStringList column(int column) const {
        QStringList values;
        for (int r = 0; r < model().rowCount(); ++r)
            values << model().data(model().index(r, column)).toString();
        return values;
    }
};
