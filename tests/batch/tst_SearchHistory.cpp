#include "core/UserDefaults.h"
#include "search/SearchHistory.h"
#include "support/TestEnvironment.h"

#include <QTest>

class SearchHistoryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void history_isRecentFirst_onceEach_atMostFifty() {
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        SearchHistory history(*defaults);
        const QDateTime start(QDate(2026, 12, 1), QTime(9, 0));
        for (int i = 0; i < 60; ++i)
            history.record(QStringLiteral("A%1").arg(i), i, start.addSecs(i));
        QList<SearchHistoryEntry> entries = history.entries();
        QCOMPARE(entries.size(), 50);
        QCOMPARE(entries.first().article, QStringLiteral("A59"));
        QCOMPARE(entries.first().offerCount, 59);
        QCOMPARE(entries.last().article, QStringLiteral("A10"));

        // The same article again, typed differently, moves to the top with its new count.
        history.record(QStringLiteral(" a20 "), 3, start.addSecs(100));
        entries = SearchHistory(*env.makeDefaults()).entries();
        QCOMPARE(entries.size(), 50);
        QCOMPARE(entries.first(), (SearchHistoryEntry{QStringLiteral("A20"), start.addSecs(100), 3}));
        QCOMPARE(std::count_if(entries.begin(), entries.end(), [](const auto& e) { return e.article == u"A20"; }), 1);
        QCOMPARE(entries[1].article, QStringLiteral("A59"));

        // Letters and digits decide a match; an empty text offers everything.
        QStringList found;
        QStringList expected;
        for (const auto& e : history.matching(u"a-5"))
            found << e.article;
        for (int i = 59; i >= 50; --i)
            expected << QStringLiteral("A%1").arg(i);
        QCOMPARE(found, expected);
        QCOMPARE(history.matching(u"").size(), 50);

        history.clear();
        QVERIFY(history.entries().isEmpty());
        QVERIFY(!defaults->contains(SearchHistory::defaultsKey()));
    }

    void damagedHistory_readsAsEmpty() {
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        defaults->setString(SearchHistory::defaultsKey(), QStringLiteral("{not json"));
        SearchHistory history(*defaults);
        QVERIFY(history.entries().isEmpty());
        // Entries that make no sense are skipped; the rest stay.
        defaults->setString(SearchHistory::defaultsKey(),
                            QStringLiteral(R"([{"article":""},{"article":"OC 90","searchedAt":"2026-12-01T09:00:00",)"
                                           R"("offerCount":1e30},{"article":"W 712/75","searchedAt":)"
                                           R"("2026-12-01T09:00:00","offerCount":4}])"));
        const auto entries = history.entries();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first().article, QStringLiteral("W 712/75"));
        history.record(QStringLiteral("OC 90"), 2);
        QCOMPARE(history.entries().size(), 2);
    }

    void detailText_saysWhenAndHowMany_data() {
        QTest::addColumn<QDateTime>("at");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("today") << QDateTime(QDate(2026, 12, 10), QTime(14, 32)) << 12
                               << QStringLiteral("сегодня, 14:32 · предложений: 12");
        QTest::newRow("yesterday") << QDateTime(QDate(2026, 12, 9), QTime(9, 5)) << 0
                                   << QStringLiteral("вчера, 09:05 · ничего не найдено");
        QTest::newRow("this year") << QDateTime(QDate(2026, 3, 2), QTime(9, 5)) << 1
                                   << QStringLiteral("02.03, 09:05 · предложений: 1");
        QTest::newRow("earlier") << QDateTime(QDate(2025, 3, 2), QTime(9, 5)) << 1
                                 << QStringLiteral("02.03.2025 · предложений: 1");
    }

    void detailText_saysWhenAndHowMany() {
        QFETCH(QDateTime, at);
        QFETCH(int, count);
        QFETCH(QString, text);
        const QDateTime now(QDate(2026, 12, 10), QTime(18, 0));
        QCOMPARE(SearchHistory::detailText({QStringLiteral("OC 90"), at, count}, now), text);
    }
};

QTEST_GUILESS_MAIN(SearchHistoryTest)
#include "tst_SearchHistory.moc"
