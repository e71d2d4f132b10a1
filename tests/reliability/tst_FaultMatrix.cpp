// Every outside service misbehaving in every way we know of, one at a time, while the others
// behave: each fault must cost that service's own offers (or its check, or the one submission)
// and nothing else, with the service's own Russian text. The table at the end shows which
// cases hold.

#include "FaultMatrix.h"

#include "app/OfferReport.h"
#include "cart/PFCartFreshnessChecker.h"
#include "core/TextUtils.h"
#include "core/UserFacingError.h"
#include "feedback/FeedbackTransport.h"
#include "offertable/OffersSnapshot.h"
#include "suppliers/autoliga/AutoligaPortalSearchContext.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/autopiter/AutopiterClient.h"
#include "suppliers/autopiter/AutopiterXmlParser.h"
#include "support/AwaitTask.h"

#include <QMap>
#include <QTest>

#include <cstdio>

class FaultMatrixTest : public QObject {
    Q_OBJECT

private:
    Baseline m_baseline;
    // fault -> target -> passed
    QMap<QString, QHash<Target, bool>> m_results;
    QStringList m_notes;
    QString m_fault;
    Target m_target = Target::autoEuro;

    SupplierCartGroup cartGroup(Target target, bool twoLines) const;
    void runSearch(Target target, const Scenario& s, Rig& rig);
    void runCheck(Target target, const Scenario& s, Rig& rig);
    void runOtherCheck(Target target, Rig& rig);
    void runSubmission(const Scenario& s, Rig& rig);
    void runConcurrent(Target target, Rig& rig);

private Q_SLOTS:
    void initTestCase();
    void supplierFault_costsThatSupplierAloneWithItsOwnText_data();
    void supplierFault_costsThatSupplierAloneWithItsOwnText();
    void cleanup();
    void cleanupTestCase();
};

SupplierCartGroup FaultMatrixTest::cartGroup(Target target, bool twoLines) const {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto group = [&](const QString& id, const QString& name, const SupplierOffer& first,
                           const SupplierOffer* second) {
        SupplierCartGroup g{id, name, {CartItem::supplierOffer(first, now)}};
        if (twoLines && second)
            g.items.append(CartItem::supplierOffer(*second, now));
        return g;
    };
    const Baseline& b = m_baseline;
    switch (target) {
    case Target::autoEuro:
        return group(u"autoeuro"_s, u"AutoEuro"_s, b.autoEuro, &b.autoEuroSecond);
    case Target::autopiter:
        return group(u"autopiter"_s, u"Autopiter"_s, b.autopiter, nullptr);
    case Target::portal:
        return group(u"autoliga"_s, u"Автолига"_s, b.portal, &b.portalSecond);
    case Target::tradeSoft:
        return group(u"autoliga"_s, u"Автолига"_s, b.tradeSoft, &b.tradeSoftSecond);
    case Target::abcp:
        return group(info(target).supplierID, info(target).searchName, b.abcp, &b.abcpSecond);
    case Target::tradeSoftAccount:
        return group(info(target).supplierID, info(target).searchName, b.tradeSoftAccount, &b.tradeSoftAccountSecond);
    case Target::feedback:
        break;
    }
    return {};
}

void FaultMatrixTest::initTestCase() {
    // A healthy round: the offers the cart lines are made of, and what every check says of them.
    Rig rig(Service::feedback, {});
    const SearchOutcome healthy = search(*rig.services);
    QVERIFY2(healthy.finished && healthy.failures.isEmpty(), qPrintable(healthy.failures.join(u'\n')));
    for (const Target target : kSearched) {
        m_baseline.offerKeys[target] = sortedKeys(healthy.offers, info(target).supplierID);
        QVERIFY2(!m_baseline.offerKeys[target].isEmpty(), qPrintable(info(target).column));
    }
    const QString prefix = u"portal-selection:"_s;
    QList<SupplierOffer> portal;
    for (const SupplierOffer& offer : healthy.offers) {
        const bool withOwnID = !PFCartFreshnessChecker::isPositionalPortalID(offer.supplierOfferKey.mid(prefix.size()));
        if (offer.supplierID == u"autoeuro" && offer.article == kArticle) {
            (m_baseline.autoEuro.supplierID.isEmpty() ? m_baseline.autoEuro : m_baseline.autoEuroSecond) = offer;
        } else if (offer.supplierID == u"autopiter" && offer.article == kArticle) {
            m_baseline.autopiter = offer;
        } else if (offer.supplierID == u"autoliga" && offer.article == kArticle && withOwnID) {
            portal.append(offer);
        } else if (offer.article == kArticle) {
            // The first two of each added supplier.
            for (const auto& [target, first, second] :
                 {std::tuple{Target::abcp, &m_baseline.abcp, &m_baseline.abcpSecond},
                  std::tuple{Target::tradeSoftAccount, &m_baseline.tradeSoftAccount,
                             &m_baseline.tradeSoftAccountSecond}}) {
                if (offer.supplierID == info(target).supplierID)
                    *(first->supplierID.isEmpty() ? first : second) = offer;
            }
        }
    }
    QVERIFY(!m_baseline.abcpSecond.supplierID.isEmpty() && !m_baseline.tradeSoftAccountSecond.supplierID.isEmpty());
    QVERIFY(!m_baseline.autoEuroSecond.supplierID.isEmpty() && !m_baseline.autopiter.supplierID.isEmpty());
    QVERIFY(portal.size() >= 2);
    m_baseline.portal = portal.at(0);
    m_baseline.portalSecond = portal.at(1);
    m_baseline.portalBrand = m_baseline.portal.brand.toUpper();

    // TradeSoft knows the portal's rows by the same handle.
    for (auto [offer, into] : {std::pair{&m_baseline.portal, &m_baseline.tradeSoft},
                               std::pair{&m_baseline.portalSecond, &m_baseline.tradeSoftSecond}}) {
        const auto fresh = awaitTask(rig.services->autoligaProvider().preOrderCheck(
            offer->article, offer->brand, offer->supplierOfferKey.mid(prefix.size())));
        QVERIFY(fresh.has_value());
        *into = fresh->offer;
    }

    const QString catalogue = awaitTask(rig.services->autopiterClient().findCatalogXML(kArticle));
    for (const auto& item : AutopiterXmlParser::catalogItems(catalogue.toUtf8())) {
        if (item.number == kArticle)
            m_baseline.autopiterArticleID = item.articleID;
    }
    QVERIFY(m_baseline.autopiterArticleID != 0);

    rig.services->autoligaPortalContext().remember({m_baseline.portal}, kArticle, m_baseline.portalBrand);
    for (const Target target : {Target::autoEuro, Target::autopiter, Target::portal, Target::tradeSoft, Target::abcp,
                                Target::tradeSoftAccount}) {
        const CheckOutcome outcome = check(*rig.services, cartGroup(target, false));
        QVERIFY2(outcome.failure.isNull(), qPrintable(outcome.failure));
        m_baseline.verdicts[target] = outcome.verdicts.value(cartGroup(target, false).items.first().id).status;
    }
}

void FaultMatrixTest::supplierFault_costsThatSupplierAloneWithItsOwnText_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("target");
    for (const auto& [fault, title] : kFaults) {
        Q_UNUSED(title);
        for (const Target target : kTargets)
            QTest::addRow("%s/%s", fault, qPrintable(info(target).column))
                << QString::fromLatin1(fault) << static_cast<int>(target);
    }
}

void FaultMatrixTest::supplierFault_costsThatSupplierAloneWithItsOwnText() {
    QFETCH(QString, fault);
    QFETCH(int, target);
    m_fault = fault;
    m_target = static_cast<Target>(target);
    const Target faulty = m_target;

    ForeignOrigin foreign;
    const Scenario s = scenario(fault, faulty, m_baseline, foreign);
    Rig rig(info(faulty).service, s);
    rig.services->autoligaPortalContext().remember({m_baseline.portal}, kArticle, m_baseline.portalBrand);
    // The second portal line came from another question.
    rig.services->autoligaPortalContext().remember({m_baseline.portalSecond}, kArticle, QString());

    const qint64 residentBefore = processStatusKiB("VmRSS");
    if (s.memory)
        resetPeakMemory();

    if (s.concurrent && !info(faulty).searches) {
        runConcurrent(faulty, rig);
    } else if (faulty == Target::feedback) {
        runSubmission(s, rig);
    } else {
        if (info(faulty).searches) {
            runSearch(faulty, s, rig);
            if (QTest::currentTestFailed())
                return;
        }
        runCheck(faulty, s, rig);
        if (QTest::currentTestFailed())
            return;
        runOtherCheck(faulty, rig);
    }
    if (QTest::currentTestFailed())
        return;

    if (s.memory) {
        // Everything the process held at its peak beyond what it held before: the answer in the
        // sandbox and in the client, and what was made of it.
        const qint64 grownKiB = processStatusKiB("VmHWM") - residentBefore;
        m_notes.append(
            u"%1 %2: peak %3 MiB over %4 MiB before, for an answer of %5 MiB"_s.arg(fault, info(faulty).column)
                .arg(grownKiB / 1024)
                .arg(residentBefore / 1024)
                .arg(kTinyValuesSize / (1024 * 1024)));
        // AddressSanitizer keeps freed memory in quarantine: its figures are not the program's.
        if (!kUnderAddressSanitizer)
            QVERIFY2(grownKiB * 1024 < 20 * kTinyValuesSize, qPrintable(m_notes.last()));
    }
    if (s.foreign) {
        const auto seen = foreign.seen();
        QVERIFY2(seen.empty(), seen.empty() ? "" : seen.front().c_str());
    }
}

void FaultMatrixTest::runSearch(Target faulty, const Scenario& s, Rig& rig) {
    const SearchOutcome outcome = search(*rig.services);
    QVERIFY2(outcome.finished, "the search did not end");
    QStringList own;
    QStringList others;
    for (const QString& failure : outcome.failures)
        (failure.startsWith(info(faulty).searchName + u": "_s) ? own : others).append(failure);
    QVERIFY2(others.isEmpty(), qPrintable(others.join(u'\n')));
    const QStringList keys = sortedKeys(outcome.offers, info(faulty).supplierID);
    if (!s.searchFailure.isNull()) {
        QVERIFY2(own.size() == 1 && matches(own.first(), s.searchFailure),
                 qPrintable(own.join(u'\n') + u"\nexpected: "_s + s.searchFailure));
        QVERIFY2(isOneReadableLine(own.first()), qPrintable(own.first()));
        QVERIFY2(keys.isEmpty(), qPrintable(keys.join(u' ')));
        // Its error is in the line the user reads.
        QVERIFY2(outcome.status.contains(own.first()), qPrintable(outcome.status));
    } else {
        QVERIFY2(own.isEmpty(), qPrintable(own.join(u'\n')));
        if (s.offerKeys)
            QCOMPARE(keys, *s.offerKeys);
        else
            QVERIFY2(!keys.isEmpty(), "no offers of the supplier");
    }
    for (const Target other : kSearched) {
        // TradeSoft's faults are its supplier's too.
        if (other != faulty && !(faulty == Target::tradeSoft && other == Target::tradeSoftAccount))
            QCOMPARE(sortedKeys(outcome.offers, info(other).supplierID), m_baseline.offerKeys[other]);
    }
    if (s.concurrent && faulty != Target::portal && faulty != Target::tradeSoftAccount) {
        // Every request of the fan-out was sent, and every one was answered.
        const QString operation = s.behaviour.latencyMatch;
        int sent = 0;
        for (const SandboxRequest& request : rig.sandbox.requests()) {
            if (request.target.contains(operation) || request.headers.value(u"soapaction"_s).endsWith(operation))
                ++sent;
        }
        QCOMPARE(sent, kFanOut);
        QVERIFY2(!outcome.status.contains(u"часть ответов"_s), qPrintable(outcome.status));
    }
    if (s.terminal) {
        const QDateTime now = QDateTime::currentDateTime();
        OfferReport::SearchOutcome report{
            kArticle,
            outcome.status,
            outcome.error,
            outcome.duration,
            makeOffersSnapshot(outcome.offers, storedOfferTableSettings(rig.services->userDefaults()), now),
            0};
        // The table itself holds nothing a terminal would obey, before the terminal filter.
        const QString text = OfferReport::searchText(report, now);
        QVERIFY2(isTerminalSafe(text) && text.contains(u"2J"_s), qPrintable(text));
    }
}

void FaultMatrixTest::runCheck(Target faulty, const Scenario& s, Rig& rig) {
    // The portal search asks one request at a time: many searches at once make its queue; a TradeSoft
    // supplier's search is one call for every supplier, its cart checks many.
    if (s.concurrent && (faulty == Target::portal || faulty == Target::tradeSoftAccount)) {
        runConcurrent(faulty, rig);
        return;
    }
    const SupplierCartGroup group = cartGroup(faulty, s.twoLines);
    const CheckOutcome outcome = check(*rig.services, group);
    if (!s.checkFailure.isNull()) {
        QVERIFY2(matches(outcome.failure, s.checkFailure),
                 qPrintable(outcome.failure + u"\nexpected: "_s + s.checkFailure));
        QVERIFY2(isOneReadableLine(outcome.failure), qPrintable(outcome.failure));
        return;
    }
    QVERIFY2(outcome.failure.isNull(), qPrintable(outcome.failure));
    const QString expected = s.verdict.isNull() ? m_baseline.verdicts[faulty] : s.verdict;
    for (const CartItem& item : group.items) {
        const PFCartFreshness verdict = outcome.verdicts.value(item.id);
        QVERIFY2(verdict.status == expected, qPrintable(verdict.status + u": "_s + verdict.details.join(u" | "_s)));
        // Of the checks, only TradeSoft's verdicts quote the supplier's words.
        if (s.terminal && faulty == Target::tradeSoft) {
            const QString text = TextUtils::forTerminal(verdict.details.join(u'\n'));
            QVERIFY2(isTerminalSafe(text) && text.contains(QChar(QChar::ReplacementCharacter)), qPrintable(text));
        }
    }
}

// A fault of one service leaves the cart checks of the others as they were.
void FaultMatrixTest::runOtherCheck(Target faulty, Rig& rig) {
    const Target other = faulty == Target::autoEuro ? Target::autopiter : Target::autoEuro;
    const SupplierCartGroup group = cartGroup(other, false);
    const CheckOutcome outcome = check(*rig.services, group);
    QVERIFY2(outcome.failure.isNull(), qPrintable(outcome.failure));
    QCOMPARE(outcome.verdicts.value(group.items.first().id).status, m_baseline.verdicts[other]);
}

void FaultMatrixTest::runSubmission(const Scenario& s, Rig& rig) {
    QString failure;
    try {
        const FeedbackReceipt receipt = awaitTask(rig.services->feedbackTransport().submit(feedbackDraft()));
        QVERIFY(!receipt.id.isEmpty());
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (s.submitFailure.isNull()) {
        QVERIFY2(failure.isNull(), qPrintable(failure));
        return;
    }
    QVERIFY2(matches(failure, s.submitFailure), qPrintable(failure + u"\nexpected: "_s + s.submitFailure));
    QVERIFY2(isOneReadableLine(failure), qPrintable(failure));
}

// More operations at once than one host takes at a time, each answered a little before the
// time-out: the ones that waited for their turn are not cut off.
void FaultMatrixTest::runConcurrent(Target faulty, Rig& rig) {
    AppServices& services = *rig.services;
    int succeeded = 0;
    QStringList failures;
    const auto note = [&](auto run) {
        try {
            run();
            ++succeeded;
        } catch (const UserFacingError& error) {
            failures.append(error.description());
        }
    };
    if (faulty == Target::feedback) {
        const FeedbackDraft draft = feedbackDraft();
        std::vector<QCoro::Task<FeedbackReceipt>> tasks;
        for (int i = 0; i < kFanOut; ++i)
            tasks.push_back(services.feedbackTransport().submit(draft));
        for (auto& task : tasks)
            note([&] { awaitTask(std::move(task)); });
    } else if (faulty == Target::portal) {
        std::vector<std::unique_ptr<PortalOfferSearching>> portals;
        std::vector<QCoro::Task<QList<SupplierOffer>>> tasks;
        for (int i = 0; i < kFanOut; ++i) {
            portals.push_back(services.searchConnectors().makeAutoligaPortal());
            tasks.push_back(portals.back()->search(kArticle, m_baseline.portalBrand));
        }
        for (auto& task : tasks)
            note([&] { QVERIFY(!awaitTask(std::move(task)).isEmpty()); });
    } else {
        // The cart of one supplier checked again and again at once (TradeSoft shares one connection pool).
        PFCartFreshnessChecker checker = services.cartFreshnessChecker();
        const SupplierCartGroup group = cartGroup(faulty, false);
        std::vector<QCoro::Task<PFCartFreshnessMap>> tasks;
        for (int i = 0; i < kFanOut; ++i)
            tasks.push_back(checker.check(group));
        for (auto& task : tasks)
            note([&] {
                const PFCartFreshnessMap verdicts = awaitTask(std::move(task));
                QCOMPARE(verdicts.value(group.items.first().id).status, m_baseline.verdicts[faulty]);
            });
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
    QCOMPARE(succeeded, kFanOut);
}

void FaultMatrixTest::cleanup() {
    if (!m_fault.isEmpty())
        m_results[m_fault][m_target] = !QTest::currentTestFailed();
    m_fault.clear();
}

void FaultMatrixTest::cleanupTestCase() {
    QString table = u"\nFault matrix (ok: the fault cost that service alone, with its own text)\n"_s;
    table += u"%1"_s.arg(u"fault"_s, -36);
    for (const Target target : kTargets)
        table += u"%1"_s.arg(info(target).column, -11);
    table += u'\n';
    int cases = 0;
    int passed = 0;
    for (const auto& [fault, title] : kFaults) {
        table += u"%1"_s.arg(QString::fromLatin1(title), -36);
        const auto results = m_results.value(QString::fromLatin1(fault));
        for (const Target target : kTargets) {
            QString cell = u"-"_s;
            if (results.contains(target)) {
                ++cases;
                passed += results.value(target) ? 1 : 0;
                cell = results.value(target) ? u"ok"_s : u"FAILED"_s;
            }
            table += u"%1"_s.arg(cell, -11);
        }
        table += u'\n';
    }
    table += u"cases: %1, passed: %2\n"_s.arg(cases).arg(passed);
    for (const QString& note : std::as_const(m_notes))
        table += note + u'\n';
    std::fputs(table.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

QTEST_GUILESS_MAIN(FaultMatrixTest)
#include "tst_FaultMatrix.moc"
