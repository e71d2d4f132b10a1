#include "core/SupplierPreferences.h"
#include "core/TextUtils.h"
#include "search/SearchViewModel.h"
#include "support/FakeConnectors.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QList<SupplierOffer> offers(const QString& supplier, int count, const QString& keyPrefix = QStringLiteral("k")) {
    QList<SupplierOffer> list;
    for (int i = 0; i < count; ++i)
        list.append(OfferBuilder(supplier, keyPrefix + QString::number(i)).name(QStringLiteral("Кольцо")));
    return list;
}

struct Harness {
    TestEnvironment env;
    std::unique_ptr<UserDefaults> defaults = env.makeDefaults();
    SupplierPreferences prefs{*defaults};
    FakeConnectorFactory fakes;
    SearchViewModel model{prefs, fakes};
    QSignalSpy finished{&model, &SearchViewModel::searchFinished};

    void enable(bool autoEuro, bool autopiter, bool autoliga) {
        prefs.setAutoEuroEnabled(autoEuro);
        prefs.setAutopiterEnabled(autopiter);
        prefs.setAutoligaEnabled(autoliga);
    }

    // All three suppliers, each with offers; AutoEuro answers when its gate opens.
    void threeSuppliers(Gate& autoEuroGate) {
        enable(true, true, true);
        fakes.autoEuro.gate = &autoEuroGate;
        fakes.autoEuro.offers = offers(QStringLiteral("autoeuro"), 2, QStringLiteral("ae"));
        fakes.autopiter.offers = offers(QStringLiteral("autopiter"), 1, QStringLiteral("ap"));
        fakes.portal.offers = offers(QStringLiteral("autoliga"), 1, QStringLiteral("al"));
    }

    void start(const QString& article) {
        model.setArticle(article);
        model.search();
    }

    bool run(const QString& article) {
        const qsizetype before = finished.size();
        start(article);
        return finished.size() > before || finished.wait(5000);
    }

    QStringList ids() const {
        QStringList out;
        for (const auto& o : model.offers())
            out.append(o.id());
        return out;
    }
};

} // namespace

class SearchViewModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void search_normalisesTheArticle_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("searched");
        QTest::addColumn<QString>("note"); // null: none
        // Control characters typed or pasted never reach a supplier or split a log line.
        QTest::newRow("control characters") << u"  oc\u0000 9\n0\u001b \n"_qs << u"OC 90"_qs << QString();
        QTest::newRow("Cyrillic lookalikes")
            << u" ос 90"_qs << u"OC 90"_qs << u"Кириллица заменена: ОС 90 → OC 90 (О, С)"_qs;
    }

    void search_normalisesTheArticle() {
        QFETCH(QString, typed);
        QFETCH(QString, searched);
        QFETCH(QString, note);
        Harness h;
        QVERIFY(h.run(typed));
        QCOMPARE((QStringList{h.model.article(), h.model.searchedArticle()}), (QStringList{searched, searched}));
        QCOMPARE(h.model.articleNote(), note);
        QCOMPARE(h.model.articleNote().isNull(), note.isNull());
        QCOMPARE(h.fakes.autoEuro.requests + h.fakes.autopiter.requests + h.fakes.portal.requests,
                 (QStringList{searched, searched}));
        QVERIFY(h.env.performanceLogText().contains(u"🔎 Артикул: "_qs + searched));
    }

    // Each supplier column: -2 disabled, -1 fails, -3 has no account, -4 finds no network,
    // n >= 0 answers n offers.
    void messages_followSuccessesAndFailures_data() {
        QTest::addColumn<int>("autoEuro");
        QTest::addColumn<int>("autopiter");
        QTest::addColumn<int>("portal");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("error");
        const QString none; // null: absent
        QTest::newRow("nobody enabled") << -2 << -2 << -2 << "Включите хотя бы одного поставщика в настройках." << none;
        QTest::newRow("nothing anywhere") << 0 << 0 << -2 << "По артикулу OC 90 предложения не найдены." << none;
        QTest::newRow("both succeed") << 2 << 4 << -2 << "OC 90 — найдено предложений: 6" << none;
        QTest::newRow("AutoEuro fails, Autopiter empty") << -1 << 0 << -2 << none << "AutoEuro: ошибка AE";
        QTest::newRow("both fail") << -1 << -1 << -2 << none << "AutoEuro: ошибка AE\nAutopiter: ошибка AP";
        QTest::newRow("two failures after offers")
            << -1 << -1 << 2 << "OC 90 — найдено предложений: 2. AutoEuro: ошибка AE · Autopiter: ошибка AP" << none;
        QTest::newRow("only the portal") << -2 << -2 << 5 << "OC 90 — найдено предложений: 5" << none;
        const QString noAccount = u"AutoEuro: не указаны учётные данные. Введите их в «Настройки» → AutoEuro."_qs;
        QTest::newRow("no account anywhere") << -3 << -3 << -3 << none << SearchViewModel::setupMessage();
        QTest::newRow("no account at one")
            << -3 << 2 << -2 << u"OC 90 — найдено предложений: 2. "_qs + noAccount << none;
        QTest::newRow("offline, one without account")
            << -3 << -4 << -4 << none << SearchViewModel::noConnectionMessage() + u'\n' + noAccount;
        QTest::newRow("one offline, one empty") << -4 << 0 << -2 << none << "AutoEuro: ошибка AE";
    }

    void messages_followSuccessesAndFailures() {
        QFETCH(int, autoEuro);
        QFETCH(int, autopiter);
        QFETCH(int, portal);
        QFETCH(QString, status);
        QFETCH(QString, error);
        Harness h;
        h.enable(autoEuro != -2, autopiter != -2, portal != -2);
        auto configure = [](FakeSupplier& s, int n, const QString& id, const char* err) {
            using Cause = UserFacingError::Cause;
            if (n < -2 || n == -1)
                s.error = QString::fromUtf8(err);
            if (n < -2)
                s.cause = n == -3 ? Cause::missingCredentials : Cause::noConnection;
            else if (n > 0)
                s.offers = offers(id, n);
        };
        configure(h.fakes.autoEuro, autoEuro, QStringLiteral("autoeuro"), "ошибка AE");
        configure(h.fakes.autopiter, autopiter, QStringLiteral("autopiter"), "ошибка AP");
        configure(h.fakes.portal, portal, QStringLiteral("autoliga"), "ошибка AL");

        QVERIFY(h.run(QStringLiteral("oc 90")));
        QCOMPARE(h.model.statusMessage(), status);
        QCOMPARE(h.model.statusMessage().isNull(), status.isNull());
        QCOMPARE(h.model.errorMessage(), error);
        QCOMPARE(h.model.errorMessage().isNull(), error.isNull());
        const auto failing = [](int n) { return int(n == -1 || n < -2); };
        QCOMPARE(h.model.supplierFailures().size(), failing(autoEuro) + failing(autopiter) + failing(portal));
        QCOMPARE(h.model.needsSetup(), error == SearchViewModel::setupMessage());
        QCOMPARE(h.fakes.events.isEmpty(), autoEuro == -2 && autopiter == -2 && portal == -2);
        // No offer of the exact article to vote with: the portal is asked without a brand.
        QCOMPARE(h.fakes.portal.requests, portal == -2 ? QStringList() : QStringList{u"OC 90|"_qs});
        QVERIFY(!h.model.isLoading());
        QVERIFY(h.model.searchDurationDisplay().startsWith(QStringLiteral("Поиск: ")));
    }

    void portalSignsInBesideTheOthers_searchesAfterThemWithTheirBrand() {
        Harness h;
        Gate autoEuroGate;
        Gate autopiterGate;
        h.threeSuppliers(autoEuroGate);
        h.fakes.autopiter.gate = &autopiterGate;
        for (auto& offer : h.fakes.autoEuro.offers) {
            offer.article = QStringLiteral("OC 90");
            offer.brand = QStringLiteral("knecht");
        }

        h.start(QStringLiteral("OC 90"));
        // All three are asked before anyone has answered; the portal signs in meanwhile.
        QCOMPARE(h.fakes.events, (QStringList{QStringLiteral("autoeuro start"), QStringLiteral("autopiter start"),
                                              QStringLiteral("portal sign-in start")}));
        QTRY_VERIFY(h.fakes.events.contains(QStringLiteral("portal sign-in end")));
        autopiterGate.open();
        QTRY_VERIFY(h.fakes.events.contains(QStringLiteral("autopiter end")));
        QVERIFY(h.fakes.portal.requests.isEmpty()); // its search still waits for AutoEuro
        // Who has answered is shown at once, while the others are awaited.
        QCOMPARE(h.ids(), QStringList{QStringLiteral("autopiter|ap0")});
        QCOMPARE(h.model.progressText(), u"AutoEuro: ждём… · Autopiter: 1 · Автолига: ждём…"_qs);
        QVERIFY(h.model.isLoading());
        autoEuroGate.open();
        QVERIFY(!h.finished.isEmpty() || h.finished.wait(5000));
        QCOMPARE(h.fakes.events.mid(3), (QStringList{QStringLiteral("portal sign-in end"),
                                                     QStringLiteral("autopiter end"), QStringLiteral("autoeuro end"),
                                                     QStringLiteral("portal start"), QStringLiteral("portal end")}));
        QCOMPARE(h.fakes.portal.requests, QStringList{QStringLiteral("OC 90|KNECHT")});
        // Merged in supplier order, not in completion order.
        QCOMPARE(h.ids(), (QStringList{QStringLiteral("autoeuro|ae0"), QStringLiteral("autoeuro|ae1"),
                                       QStringLiteral("autopiter|ap0"), QStringLiteral("autoliga|al0")}));
        // The portal's lines follow the other two suppliers' in the log.
        const QString log = h.env.performanceLogText();
        QVERIFY(log.indexOf(u"▶️ Автолига: старт"_qs) > log.indexOf(u"✅ AutoEuro"_qs));
        QVERIFY(log.indexOf(u"✅ Автолига"_qs) > log.indexOf(u"✅ Autopiter"_qs));
    }

    void failedPortalSignIn_isReportedLast_besideTheOthersOffers() {
        Harness h;
        Gate autoEuroGate;
        h.threeSuppliers(autoEuroGate);
        h.fakes.portal.signInError = QStringLiteral("Портал Автолиги: HTTP 403. Проверьте учётные данные портала.");

        h.start(QStringLiteral("OC 90"));
        QTRY_VERIFY(h.fakes.events.contains(QStringLiteral("portal sign-in end")));
        QTRY_VERIFY(h.fakes.events.contains(QStringLiteral("autopiter end")));
        // Failed already, but said only at the end.
        QVERIFY(h.model.supplierFailures().isEmpty());
        QCOMPARE(h.model.statusMessage(), QStringLiteral("Ищем оригинал и аналоги…"));
        autoEuroGate.open();
        QVERIFY(!h.finished.isEmpty() || h.finished.wait(5000));

        const QString failure = u"Автолига: Портал Автолиги: HTTP 403. Проверьте учётные данные портала."_qs;
        QCOMPARE(h.model.offers().size(), 3);
        QCOMPARE(h.model.statusMessage(), u"OC 90 — найдено предложений: 3. "_qs + failure);
        QCOMPARE(h.model.supplierFailures(), QStringList{failure});
        QVERIFY(h.model.errorMessage().isNull());
        QVERIFY(h.fakes.portal.requests.isEmpty()); // no search without a sign-in
        const QString log = h.env.performanceLogText();
        QVERIFY(log.indexOf(u"❌ Автолига"_qs) > log.indexOf(u"✅ AutoEuro"_qs));
    }

    // Neither a failed supplier nor one the buyer added votes for the portal's brand; the added ones
    // are asked beside the others, merged after them, and fail under their own names.
    void portal_getsNoVoteFromAFailedOrAddedSupplier() {
        Harness h;
        h.enable(true, true, true);
        h.fakes.autoEuro.error = QStringLiteral("нет связи");
        h.fakes.autopiter.offers = {OfferBuilder(QStringLiteral("autopiter")).article(u"OC 90"_qs).brand(u"MAHLE"_qs)};
        h.prefs.accounts().add({u"abcp-shop"_qs, u"abcp"_qs, u"Магазин"_qs, {}, {}, 0, true}, false);
        h.prefs.accounts().add({u"tradesoft-ts"_qs, u"tradesoft"_qs, u"Склад"_qs, {}, {}, 0, true}, false);
        for (const QString& key : {u"s1"_qs, u"s2"_qs})
            h.fakes.accounts[u"abcp-shop"_qs].offers.append(
                OfferBuilder(u"abcp-shop"_qs, key).article(u"OC 90"_qs).brand(u"BOSCH"_qs));
        h.fakes.accounts[u"tradesoft-ts"_qs].error = u"неверный логин"_qs;
        h.start(QStringLiteral("OC 90"));
        QCOMPARE(h.fakes.events.mid(0, 4), (QStringList{u"autoeuro start"_qs, u"autopiter start"_qs,
                                                        u"abcp-shop start"_qs, u"tradesoft-ts start"_qs}));
        QVERIFY(!h.finished.isEmpty() || h.finished.wait(5000));
        QCOMPARE(h.fakes.portal.requests, QStringList{QStringLiteral("OC 90|MAHLE")});
        QCOMPARE(h.ids(), (QStringList{u"autopiter|1"_qs, u"abcp-shop|s1"_qs, u"abcp-shop|s2"_qs}));
        QCOMPARE(h.model.supplierFailures(), (QStringList{u"AutoEuro: нет связи"_qs, u"Склад: неверный логин"_qs}));
    }

    // The merged answers are de-duplicated, then the guard drops analogues of another kind.
    void publish_dedupsGuardsAndLogsEveryStep() {
        Harness h;
        h.fakes.autoEuro.offers = {
            OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("1")).article(u"OC 90"_qs),
            OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("2")).article(u"OC90"_qs),
            OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("3"))
                .article(u"W 712"_qs)
                .name(u"Насос масляный"_qs),
        };
        h.fakes.autoEuro.offers.append(h.fakes.autoEuro.offers.first());
        h.fakes.autopiter.error = QStringLiteral("Сервис недоступен");
        QVERIFY(h.run(QStringLiteral("oc 90")));
        QCOMPARE(h.ids(), (QStringList{QStringLiteral("autoeuro|1"), QStringLiteral("autoeuro|2")}));

        // Every line carries its time of day; the seconds of each step have three decimals.
        const QString t = QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] ");
        const QString s = QStringLiteral("\\d+\\.\\d{3} с");
        const QStringList lines{
            t,
            t + QStringLiteral("⏱️ ===== ORELIA PERFORMANCE ====="),
            t + QStringLiteral("🔎 Артикул: OC 90"),
            t + QStringLiteral("▶️ AutoEuro: старт"),
            t + QStringLiteral("▶️ Autopiter: старт"),
            t + QStringLiteral("✅ AutoEuro: ") + s + QStringLiteral(" · 4 предложений"),
            t + QStringLiteral("❌ Autopiter: ") + s + QStringLiteral(" · Сервис недоступен"),
            t + QStringLiteral("🧹 Дедупликация: ") + s + QStringLiteral(" · 4 → 3"),
            t + QStringLiteral("🧠 Semantic Guard: ") + s + QStringLiteral(" · 3 → 2"),
            t + QStringLiteral("🏁 ВСЕГО: ") + s,
            t + QStringLiteral("⏱️ ================================"),
            t,
        };
        const QString log = h.env.performanceLogText();
        QVERIFY2(QRegularExpression(u'^' + lines.join(u'\n') + QStringLiteral("\n$")).match(log).hasMatch(),
                 qPrintable(log));
    }

    void durationDisplay_usesDecimalComma() {
        QCOMPARE(SearchViewModel::durationDisplay(2.44), QStringLiteral("Поиск: 2,4 с"));
        QCOMPARE(SearchViewModel::durationDisplay(-1.0), QStringLiteral("Поиск: 0,0 с"));
        QCOMPARE(SearchViewModel::durationDisplay(1234.5), QStringLiteral("Поиск: 1234,5 с"));
    }

    void destroyedViewModel_isNotTouchedByItsSearch() {
        Harness h;
        Gate gate;
        h.fakes.autoEuro.gate = &gate;
        {
            SearchViewModel model(h.prefs, h.fakes);
            model.setArticle(QStringLiteral("OC 90"));
            model.search();
            QVERIFY(model.isLoading());
        }
        gate.open(); // resumes the orphaned search; it must stop quietly
        QTRY_COMPARE(h.fakes.events.size(), 4);
        QVERIFY(h.fakes.events.contains(QStringLiteral("autoeuro end")));
    }

    void latinLookalikes_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("searched");
        QTest::newRow("mixed with Latin") << u"W 7О2/Х"_qs << u"W 7O2/X"_qs;
        QTest::newRow("all twelve capitals") << u"АВЕКМНОРСТУХ"_qs << u"ABEKMHOPCTYX"_qs;
        QTest::newRow("small letters stay small") << u"ос-90 ку"_qs << u"oc-90 ky"_qs;
        QTest::newRow("Ё has no twin") << u"ЁО 1"_qs << u"ЁО 1"_qs;
        QTest::newRow("a Greek letter") << u"ОС Ω"_qs << u"ОС Ω"_qs;
        QTest::newRow("accented Latin counts as Latin") << u"LEMFÖRDER О"_qs << u"LEMFÖRDER O"_qs;
    }

    void latinLookalikes() {
        QFETCH(QString, typed);
        QFETCH(QString, searched);
        QCOMPARE(TextUtils::latinLookalikes(typed), searched);
    }

    // A blank article starts nothing; while a search runs, search() starts nothing either and
    // submit() keeps the last article typed for after it.
    void secondSubmission_waitsOnlyWhenSubmitted() {
        Harness h;
        QSignalSpy status(&h.model, &SearchViewModel::statusMessageChanged);
        h.start(QStringLiteral("  \t "));
        QVERIFY(!h.model.isLoading());
        QVERIFY(status.isEmpty());
        QVERIFY(h.fakes.events.isEmpty());

        Gate gate;
        h.fakes.autoEuro.gate = &gate;
        h.start(u"oc 90"_qs);
        // Busy from the moment search() returns.
        QVERIFY(h.model.isLoading());
        QCOMPARE(h.model.statusMessage(), QStringLiteral("Ищем оригинал и аналоги…"));
        h.start(u"W 712"_qs);
        QVERIFY(!h.model.hasPendingSearch());
        for (const QString& typed : {u"W 712/75"_qs, u"   "_qs, u"c 27 009"_qs}) {
            h.model.setArticle(typed);
            h.model.submit();
        }
        QVERIFY(h.model.hasPendingSearch());
        QCOMPARE(h.fakes.autoEuro.requests, QStringList{u"OC 90"_qs});

        gate.open();
        QTRY_COMPARE(h.finished.size(), 2);
        QCOMPARE(h.fakes.autoEuro.requests, (QStringList{u"OC 90"_qs, u"C 27 009"_qs}));
        QCOMPARE(h.fakes.events.indexOf(u"autoeuro start"_qs, 1), 4); // after both answers of the first search
        QCOMPARE(h.model.searchedArticle(), u"C 27 009"_qs);
        QCOMPARE(h.model.article(), u"C 27 009"_qs);
        QVERIFY(!h.model.hasPendingSearch());
    }

    // A supplier's failure never takes away the offers of those that answered; one that does not
    // answer within its budget fails on its own, and the portal goes on without it.
    void arrivals_failuresAndDeadlines_leaveTheOthersOffers() {
        Harness h;
        Gate never;
        h.threeSuppliers(never);
        h.fakes.autoEuro.budget = std::chrono::milliseconds(150);
        h.fakes.autopiter.error = u"Сервис недоступен."_qs;
        h.start(u"OC 90"_qs);
        QVERIFY(h.finished.wait(5000));
        QCOMPARE(h.ids(), QStringList{u"autoliga|al0"_qs});
        QCOMPARE(h.model.supplierFailures(),
                 (QStringList{u"AutoEuro: не ответил за 1 с"_qs, u"Autopiter: Сервис недоступен."_qs}));
        QCOMPARE(h.fakes.portal.requests, QStringList{u"OC 90|"_qs});

        // The same article again: the earlier table at once, marked with its age, each supplier's
        // part replaced as it answers.
        h.fakes.autopiter.error.reset();
        h.fakes.autoEuro.gate = nullptr;
        h.start(u"OC 90"_qs);
        QCOMPARE(h.ids(), QStringList{u"autoliga|al0"_qs});
        QCOMPARE(h.model.resultAgeNote(), u"результат меньше минуты назад, обновляется…"_qs);
        QVERIFY(h.finished.wait(5000));
        QCOMPARE(h.ids().size(), 4);
        QVERIFY(h.model.resultAgeNote().isNull());
        // The first search's AutoEuro answers at last, to no one.
        never.open();
        QTRY_COMPARE(h.fakes.events.count(u"autoeuro end"_qs), 2);
        QCOMPARE(h.ids().size(), 4);
    }

    void cancel_keepsWhoAnswered_ignoresLateAnswers_nextSearchRuns() {
        Harness h;
        Gate late;
        h.threeSuppliers(late);
        h.start(u"OC 90"_qs);
        QTRY_VERIFY(h.fakes.events.contains(u"autopiter end"_qs));
        h.model.setArticle(u"W 712/75"_qs);
        h.model.submit(); // waits for its turn; the cancellation drops it

        h.model.cancel();
        QVERIFY(!h.model.isLoading());
        QCOMPARE(h.finished.size(), 1);
        QVERIFY(!h.model.hasPendingSearch());
        QCOMPARE(h.ids(), QStringList{u"autopiter|ap0"_qs});
        QCOMPARE(h.model.statusMessage(), u"OC 90 — найдено предложений: 1. AutoEuro: не дождались ответа · "
                                          u"Автолига: не дождались ответа"_qs);
        QCOMPARE(h.model.supplierFailures(),
                 (QStringList{u"AutoEuro: не дождались ответа"_qs, u"Автолига: не дождались ответа"_qs}));
        QVERIFY(!h.model.searchDurationDisplay().isNull());
        QVERIFY(h.fakes.portal.requests.isEmpty());
        h.model.cancel(); // nothing runs: nothing changes
        QCOMPARE(h.finished.size(), 1);

        // The next search runs as usual; the late answer of the cancelled one changes nothing.
        h.fakes.autoEuro.gate = nullptr;
        QVERIFY(h.run(u"OC 90"_qs));
        QCOMPARE(h.model.offers().size(), 4);
        late.open();
        QTRY_COMPARE(h.fakes.events.count(u"autoeuro end"_qs), 2);
        QCOMPARE(h.model.offers().size(), 4);
        QCOMPARE(h.finished.size(), 2);
        QVERIFY(!h.model.isLoading());
        // The log names who was not waited for, never the answer that came after the end.
        const QString log = h.env.performanceLogText();
        QCOMPARE(log.count(u"✅ AutoEuro"_qs), 1);
        QCOMPARE(log.count(u"⏹️ AutoEuro: "_qs), 1);
        QVERIFY(log.contains(QRegularExpression(
            u"⏹️ Автолига: \\d+\\.\\d{3} с · не дождались ответа"_qs)));
        QCOMPARE(log.count(u"🏁 ВСЕГО"_qs), 2);
    }
};

QTEST_GUILESS_MAIN(SearchViewModelTest)
#include "tst_SearchViewModel.moc"
