#include "core/UserDefaults.h"
#include "suppliers/autoliga/AutoligaPortalSearchContext.h"
#include "support/OfferBuilder.h"
#include "support/TestEnvironment.h"

#include <QSettings>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QList<SupplierOffer> portalOffers(const QStringList& keys) {
    QList<SupplierOffer> offers;
    for (const QString& key : keys)
        offers.append(OfferBuilder(u"autoliga"_s, key));
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
            context.remember(portalOffers({u"portal-selection:42"_s, u"EKB-1"_s}), u" oc 90 "_s, QString());
            context.remember(portalOffers({u"portal-selection:42"_s}), u"OC 90"_s, u"MAHLE"_s);
        }
        auto defaults = env.makeDefaults();
        AutoligaPortalSearchContext again(*defaults);
        QCOMPARE(again.searches().size(), 1);
        QCOMPARE(again.lookup(u"portal-selection:42"_s), Origin(std::pair{u"OC 90"_s, u"MAHLE"_s}));
        QCOMPARE(again.lookup(u"EKB-1"_s), Origin());

        // A search that found nothing still saves.
        defaults->remove(AutoligaPortalSearchContext::key());
        again.remember({}, u"X"_s, QString());
        QVERIFY(defaults->contains(AutoligaPortalSearchContext::key()));
    }

    void overTwoThousandOrigins_keepTheThousandGreatestKeys() {
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        AutoligaPortalSearchContext context(*defaults);
        QStringList keys;
        for (int i = 0; i < 2000; ++i)
            keys.append(portalKey(i));
        context.remember(portalOffers(keys), u"A"_s, u"B"_s);
        QCOMPARE(context.searches().size(), 2000);
        context.remember(portalOffers({portalKey(5000)}), u"A"_s, u"B"_s);
        QCOMPARE(context.searches().size(), 1000);
        QCOMPARE(context.searches().firstKey(), portalKey(1001));
        QCOMPARE(context.searches().lastKey(), portalKey(5000));
        QCOMPARE(AutoligaPortalSearchContext(*defaults).searches().size(), 1000);
    }

    void malformedEntries_costThemselvesOnly() {
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        defaults->setMap(AutoligaPortalSearchContext::key(),
                         {{u"portal-selection:1"_s, QStringList{u"OC 90"_s, QString()}},
                          {u"portal-selection:2"_s, u"OC 90"_s},
                          {u"portal-selection:3"_s, QVariantList{u"OC 90"_s, 5}},
                          {u"portal-selection:4"_s, QStringList{u"OC 90"_s}},
                          {u"portal-selection:5"_s, QVariantList{u"W 914/2"_s, u"MANN"_s}}});
        AutoligaPortalSearchContext context(*defaults);
        QCOMPARE(context.lookup(u"portal-selection:1"_s), Origin(std::pair{u"OC 90"_s, QString()}));
        QCOMPARE(context.lookup(u"portal-selection:5"_s), Origin(std::pair{u"W 914/2"_s, u"MANN"_s}));
        // A list of texts of another length is kept, but is no origin.
        QCOMPARE(context.lookup(u"portal-selection:4"_s), Origin());
        QCOMPARE(context.searches().keys(),
                 (QStringList{u"portal-selection:1"_s, u"portal-selection:4"_s, u"portal-selection:5"_s}));
    }

    void unreadableValue_isKeptAsideBeforeTheNextSave() {
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        defaults->setString(AutoligaPortalSearchContext::key(), u"{not a map"_s);
        AutoligaPortalSearchContext context(*defaults);
        QVERIFY(context.searches().isEmpty());
        context.remember(portalOffers({u"portal-selection:7"_s}), u"A"_s, QString());

        const QSettings file(env.settingsPath(), QSettings::IniFormat);
        const QStringList aside = file.allKeys().filter(AutoligaPortalSearchContext::key() + u".unreadable-"_s);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(file.value(aside.first()).toString(), u"{not a map"_s);
        QCOMPARE(AutoligaPortalSearchContext(*defaults).searches().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAutoligaPortalSearchContext)
#include "tst_AutoligaPortalSearchContext.moc"
