#include "core/UserDefaults.h"
#include "suppliers/autoliga/AutoligaPortalSearchContext.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"

#include <QSettings>
#include <QtTest>

namespace {

QList<SupplierOffer> portalOffers(const QStringList& keys) {
    QList<SupplierOffer> offers;
    for (const QString& key : keys)
        offers.append(OfferBuilder(QStringLiteral("autoliga"), key));
    return offers;
}

QString portalKey(int n) {
    return QStringLiteral("portal-selection:%1").arg(n, 4, 10, QChar(u'0'));
}

using Origin = std::optional<std::pair<QString, QString>>;

} // namespace

class TestAutoligaPortalSearchContext : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void origins_surviveARestart_asTheyWereAsked() {
        TestEnvironment env;
        {
            auto defaults = env.makeDefaults();
            AutoligaPortalSearchContext context(*defaults);
            context.remember(portalOffers({QStringLiteral("portal-selection:42"), QStringLiteral("EKB-1")}),
                             QStringLiteral(" oc 90 "), QString());
            context.remember(portalOffers({QStringLiteral("portal-selection:42")}), QStringLiteral("OC 90"),
                             QStringLiteral("MAHLE"));
        }
        auto defaults = env.makeDefaults();
        AutoligaPortalSearchContext again(*defaults);
        QCOMPARE(again.searches().size(), 1);
        QCOMPARE(again.lookup(QStringLiteral("portal-selection:42")),
                 Origin(std::pair{QStringLiteral("OC 90"), QStringLiteral("MAHLE")}));
        QCOMPARE(again.lookup(QStringLiteral("EKB-1")), Origin());

        // A search that found nothing still saves.
        defaults->remove(AutoligaPortalSearchContext::key());
        again.remember({}, QStringLiteral("X"), QString());
        QVERIFY(defaults->contains(AutoligaPortalSearchContext::key()));
    }

    void overTwoThousandOrigins_keepTheThousandGreatestKeys() {
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        AutoligaPortalSearchContext context(*defaults);
        QStringList keys;
        for (int i = 0; i < 2000; ++i)
            keys.append(portalKey(i));
        context.remember(portalOffers(keys), QStringLiteral("A"), QStringLiteral("B"));
        QCOMPARE(context.searches().size(), 2000);
        context.remember(portalOffers({portalKey(5000)}), QStringLiteral("A"), QStringLiteral("B"));
        QCOMPARE(context.searches().size(), 1000);
        QCOMPARE(context.searches().firstKey(), portalKey(1001));
        QCOMPARE(context.searches().lastKey(), portalKey(5000));
        QCOMPARE(AutoligaPortalSearchContext(*defaults).searches().size(), 1000);
    }

    void malformedEntries_costThemselvesOnly() {
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        defaults->setMap(
            AutoligaPortalSearchContext::key(),
            {{QStringLiteral("portal-selection:1"), QStringList{QStringLiteral("OC 90"), QString()}},
             {QStringLiteral("portal-selection:2"), QStringLiteral("OC 90")},
             {QStringLiteral("portal-selection:3"), QVariantList{QStringLiteral("OC 90"), 5}},
             {QStringLiteral("portal-selection:4"), QStringList{QStringLiteral("OC 90")}},
             {QStringLiteral("portal-selection:5"), QVariantList{QStringLiteral("W 914/2"), QStringLiteral("MANN")}}});
        AutoligaPortalSearchContext context(*defaults);
        QCOMPARE(context.lookup(QStringLiteral("portal-selection:1")),
                 Origin(std::pair{QStringLiteral("OC 90"), QString()}));
        QCOMPARE(context.lookup(QStringLiteral("portal-selection:5")),
                 Origin(std::pair{QStringLiteral("W 914/2"), QStringLiteral("MANN")}));
        // A list of texts of another length is kept, but is no origin.
        QCOMPARE(context.lookup(QStringLiteral("portal-selection:4")), Origin());
        QCOMPARE(context.searches().keys(),
                 (QStringList{QStringLiteral("portal-selection:1"), QStringLiteral("portal-selection:4"),
                              QStringLiteral("portal-selection:5")}));
    }

    void unreadableValue_isKeptAsideBeforeTheNextSave() {
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        defaults->setString(AutoligaPortalSearchContext::key(), QStringLiteral("{not a map"));
        AutoligaPortalSearchContext context(*defaults);
        QVERIFY(context.searches().isEmpty());
        context.remember(portalOffers({QStringLiteral("portal-selection:7")}), QStringLiteral("A"), QString());

        const QSettings file(env.settingsPath(), QSettings::IniFormat);
        const QStringList aside =
            file.allKeys().filter(AutoligaPortalSearchContext::key() + QStringLiteral(".unreadable-"));
        QCOMPARE(aside.size(), 1);
        QCOMPARE(file.value(aside.first()).toString(), QStringLiteral("{not a map"));
        QCOMPARE(AutoligaPortalSearchContext(*defaults).searches().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAutoligaPortalSearchContext)
#include "tst_AutoligaPortalSearchContext.moc"
