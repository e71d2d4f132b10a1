#include "core/PerformanceLog.h"
#include "core/SupplierAppearance.h"
#include "core/SupplierDescriptor.h"
#include "core/SupplierPreferences.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

namespace {

// AutoEuro, Autopiter, Autoliga.
QList<bool> enabled(const SupplierPreferences& prefs) {
    return {prefs.autoEuroEnabled(), prefs.autopiterEnabled(), prefs.autoligaEnabled()};
}

} // namespace

class SupplierPreferencesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writes_persistAcrossInstancesAndNotify() {
        TestEnvironment env;
        auto defaults = env.makeDefaults();
        SupplierPreferences prefs(*defaults);
        // A fresh install searches AutoEuro and Autopiter only.
        QCOMPARE(enabled(prefs), (QList<bool>{true, true, false}));
        QVERIFY(!defaults->contains(UserDefaultsKeys::autoligaEnabled));

        QSignalSpy ligaSpy(&prefs, &SupplierPreferences::autoligaEnabledChanged);
        prefs.setAutoligaEnabled(true);
        prefs.setAutoEuroEnabled(false);
        QCOMPARE(ligaSpy.size(), 1);
        QCOMPARE(ligaSpy.first().first().toBool(), true);
        // A second process-like instance sees the writes at once, without waiting for a flush.
        auto other = env.makeDefaults();
        SupplierPreferences reread(*other);
        QCOMPARE(enabled(reread), (QList<bool>{false, true, true}));

        reread.setAutoligaEnabled(false);
        QCOMPARE(env.makeDefaults()->boolValue(UserDefaultsKeys::autoligaEnabled), std::optional<bool>(false));
        QVERIFY(prefs.setEnabled(u"autopiter", false));
        QVERIFY(!prefs.isEnabled(u"autopiter"));
        QVERIFY(!prefs.setEnabled(u"rossko", true));
    }

    // Damaged values read as their defaults; the file is copied aside once, before its first rewrite.
    void damagedFile_readsDefaultsAndIsCopiedAside_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<bool>>("suppliers");
        QTest::addColumn<std::optional<double>>("markup");
        QByteArray noise(4096, '\0');
        quint32 state = 7;
        for (char& c : noise) {
            state = state * 1664525u + 1013904223u;
            c = static_cast<char>(state >> 24);
        }
        QTest::newRow("random bytes") << noise << QList<bool>{true, true, false} << std::optional<double>();
        // QSettings reads damaged value bytes as nothing and would write "@Invalid()" back.
        QTest::newRow("a damaged value") << QByteArray("[General]\nOrelia.Autoliga.PortalOfferOrigins.v1="
                                                       "@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x3garbage)\n")
                                         << QList<bool>{true, true, false} << std::optional<double>();
        QTest::newRow("a few malformed lines")
            << QByteArray("[General]\nsupplier.autoeuro.enabled=banana\nsupplier.autoliga.enabled=true\n"
                          "oreliaRejectThreshold=nan\noreliaMarkupPercent=12.5\nthis line has no equals sign\n"
                          "=no key\n[broken section\n")
            << QList<bool>{true, true, true} << std::optional<double>(12.5);
    }

    void damagedFile_readsDefaultsAndIsCopiedAside() {
        QFETCH(QByteArray, content);
        QFETCH(QList<bool>, suppliers);
        QFETCH(std::optional<double>, markup);
        TestEnvironment env;
        {
            QFile file(env.settingsPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        auto defaults = env.makeDefaults();
        SupplierPreferences prefs(*defaults);
        QCOMPARE(enabled(prefs), suppliers);
        QCOMPARE(defaults->doubleValue(UserDefaultsKeys::rejectThreshold), std::nullopt);
        QCOMPARE(defaults->doubleValue(UserDefaultsKeys::markupPercent), markup);
        prefs.setAutoEuroEnabled(false);
        QVERIFY(defaults->isWritable());
        QVERIFY(!defaults->damagedCopy().isEmpty());
        QFile copy(defaults->damagedCopy());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), content);
        // The value reached the disk, and the copy is made once, not on every write.
        QCOMPARE(SupplierPreferences(*env.makeDefaults()).autoEuroEnabled(), false);
        const QString first = defaults->damagedCopy();
        prefs.setAutopiterEnabled(false);
        QCOMPARE(defaults->damagedCopy(), first);
    }

    void unwritableFile_reportsTheFailedSave() {
        TestEnvironment env;
        // A directory where the file should be: no one can write there, root included.
        QVERIFY(QDir().mkpath(env.settingsPath()));
        auto defaults = env.makeDefaults();
        defaults->setBool(UserDefaultsKeys::autoEuroEnabled, false);
        QVERIFY(!defaults->isWritable());
        auto fine = UserDefaults::atPath(env.home() + QStringLiteral("/other.ini"));
        fine->setBool(UserDefaultsKeys::autoEuroEnabled, false);
        QVERIFY(fine->isWritable());
    }

    // Switches that could not be read are only defaults: the search says so instead of running.
    void unreadableFile_stopsTheSearchWithItsReason() {
        TestEnvironment env;
        QVERIFY(QDir().mkpath(env.settingsPath()));
        auto defaults = env.makeDefaults();
        SupplierPreferences prefs(*defaults);
        QVERIFY(prefs.settingsProblem().startsWith(QStringLiteral("Не удалось прочитать файл настроек ")));
        QVERIFY(SupplierPreferences(*UserDefaults::atPath(env.home() + QStringLiteral("/fine.ini")))
                    .settingsProblem()
                    .isEmpty());
    }

    // Whatever the umask: the settings file and the log are the buyer's alone, and the log keeps
    // two files of at most a few megabytes.
    void privateFiles_andTheLogStaySmall() {
        TestEnvironment env;
        const mode_t umask = ::umask(022);
        auto defaults = UserDefaults::atPath(env.home() + QStringLiteral("/made/Orelia.conf"));
        defaults->setBool(UserDefaultsKeys::autoEuroEnabled, false);
        {
            QFile big(PerformanceLog::filePath());
            QVERIFY(QDir().mkpath(PerformanceLog::directory()));
            QVERIFY(big.open(QIODevice::WriteOnly));
            big.write(QByteArray(PerformanceLog::maxFileSize, 'x'));
        }
        PerformanceLog::append(QStringLiteral("строка\nи ещё"));
        ::umask(umask);
        const auto owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QCOMPARE(QFile::permissions(defaults->fileName()), owner);
        QCOMPARE(QFile::permissions(env.home() + QStringLiteral("/made")), owner | QFile::ExeOwner | QFile::ExeUser);
        QCOMPARE(QFile::permissions(PerformanceLog::filePath()), owner);
        QCOMPARE(QFileInfo(PerformanceLog::previousFilePath()).size(), PerformanceLog::maxFileSize);
        QVERIFY(env.performanceLogText().endsWith(QStringLiteral("] строка и ещё\n")));
    }

    void appearance_ignoresCaseAndFallsBackToSecondaryText() {
        const SupplierColor blue{SupplierColor::Role::fixed, 35, 91, 232};
        QCOMPARE(SupplierAppearance::color(u"autoeuro"), blue);
        QCOMPARE(SupplierAppearance::color(u"AUTOEURO"), blue);
        QCOMPARE(SupplierAppearance::color(u"emex").role, SupplierColor::Role::secondaryText);
    }
};

QTEST_GUILESS_MAIN(SupplierPreferencesTest)
#include "tst_SupplierPreferences.moc"
