#include "core/SupplierAppearance.h"
#include "core/SupplierDescriptor.h"
#include "core/SupplierPreferences.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

class SupplierPreferencesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void freshInstall_searchesAutoEuroAndAutopiterOnly();
    void writes_persistAcrossInstancesAndNotify();
    void damagedValues_fallBackToDefaults();
    void descriptors_compareByEveryField();
    void appearance_ignoresCaseAndFallsBackToSecondaryText();
};

void SupplierPreferencesTest::freshInstall_searchesAutoEuroAndAutopiterOnly() {
    TestEnvironment env;
    auto defaults = env.makeDefaults();
    SupplierPreferences prefs(*defaults);
    QVERIFY(prefs.autoEuroEnabled());
    QVERIFY(prefs.autopiterEnabled());
    QVERIFY(!prefs.autoligaEnabled());
    QVERIFY(!defaults->contains(UserDefaultsKeys::autoligaEnabled));
    // The other settings read as absent, so their owners apply their own defaults.
    QCOMPARE(defaults->doubleValue(UserDefaultsKeys::rejectThreshold, 30.0), 30.0);
    QCOMPARE(defaults->doubleValue(UserDefaultsKeys::markupPercent, 0.0), 0.0);
    QCOMPARE(defaults->boolValue(UserDefaultsKeys::rejectFilterEnabled, false), false);
}

void SupplierPreferencesTest::writes_persistAcrossInstancesAndNotify() {
    TestEnvironment env;
    {
        auto defaults = env.makeDefaults();
        SupplierPreferences prefs(*defaults);
        QSignalSpy ligaSpy(&prefs, &SupplierPreferences::autoligaEnabledChanged);
        prefs.setAutoligaEnabled(true);
        prefs.setAutoEuroEnabled(false);
        QCOMPARE(ligaSpy.size(), 1);
        QCOMPARE(ligaSpy.first().first().toBool(), true);
        // A second process-like instance sees the writes at once, without waiting for a flush.
        auto other = env.makeDefaults();
        SupplierPreferences reread(*other);
        QVERIFY(reread.autoligaEnabled());
        QVERIFY(!reread.autoEuroEnabled());
        QVERIFY(reread.autopiterEnabled());
    }
    auto defaults = env.makeDefaults();
    SupplierPreferences prefs(*defaults);
    prefs.setAutoligaEnabled(false);
    QVERIFY(defaults->contains(UserDefaultsKeys::autoligaEnabled));
    QCOMPARE(defaults->boolValue(UserDefaultsKeys::autoligaEnabled), std::optional<bool>(false));
    QVERIFY(prefs.setEnabled(u"autopiter", false));
    QVERIFY(!prefs.isEnabled(u"autopiter"));
    QVERIFY(!prefs.setEnabled(u"rossko", true));
}

void SupplierPreferencesTest::damagedValues_fallBackToDefaults() {
    TestEnvironment env;
    QFile file(env.settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[General]\nsupplier.autoeuro.enabled=banana\nsupplier.autoliga.enabled=true\n"
               "oreliaRejectThreshold=nan\noreliaMarkupPercent=12.5\nbroken line without equals\n");
    file.close();
    auto defaults = env.makeDefaults();
    SupplierPreferences prefs(*defaults);
    QVERIFY(prefs.autoEuroEnabled());
    QVERIFY(prefs.autoligaEnabled());
    QCOMPARE(defaults->doubleValue(UserDefaultsKeys::rejectThreshold), std::nullopt);
    QCOMPARE(defaults->doubleValue(UserDefaultsKeys::markupPercent), std::optional<double>(12.5));
}

void SupplierPreferencesTest::descriptors_compareByEveryField() {
    SupplierDescriptor renamed = SupplierDescriptors::autopiter();
    renamed.credentialFields[1].title = QStringLiteral("Password");
    QVERIFY(renamed != SupplierDescriptors::autopiter());
    QVERIFY(qHash(renamed) != qHash(SupplierDescriptors::autopiter()));
    QCOMPARE(*SupplierDescriptors::find(u"autoliga"), SupplierDescriptors::autoliga());
    QCOMPARE(SupplierDescriptors::find(u"AutoLiga"), nullptr);
}

void SupplierPreferencesTest::appearance_ignoresCaseAndFallsBackToSecondaryText() {
    const SupplierColor blue{SupplierColor::Role::fixed, 35, 91, 232};
    QCOMPARE(SupplierAppearance::color(u"autoeuro"), blue);
    QCOMPARE(SupplierAppearance::color(u"AutoEuro"), blue);
    QCOMPARE(SupplierAppearance::color(u"AUTOEURO"), blue);
    QCOMPARE(SupplierAppearance::color(u"Armtek").role, SupplierColor::Role::systemPurple);
    QCOMPARE(SupplierAppearance::color(u"rossko").role, SupplierColor::Role::systemRed);
    QCOMPARE(SupplierAppearance::color(u"emex").role, SupplierColor::Role::secondaryText);
}

QTEST_GUILESS_MAIN(SupplierPreferencesTest)
#include "tst_SupplierPreferences.moc"
