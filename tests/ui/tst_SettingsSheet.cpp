#include "app/AppServices.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "credentials/MemoryCredentialStore.h"
#include "sandbox/SandboxServer.h"
#include "search/SearchHistory.h"
#include "suppliers/autopiter/AutopiterClient.h"
#include "suppliers/autopiter/AutopiterProvider.h"
#include "support/AwaitTask.h"
#include "support/SandboxServices.h"
#include "support/TestEnvironment.h"
#include "ui/AutoEuroSettingsSheet.h"
#include "ui/AutoligaSettingsSheet.h"
#include "ui/AutopiterSettingsSheet.h"
#include "ui/SettingsSheet.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The product's services against the sandbox, with nothing stored yet.
struct SettingsSandbox {
    TestEnvironment environment;
    SandboxServer server;
    std::unique_ptr<AppServices> services;

    SettingsSandbox() {
        if (!server.start())
            qFatal("sandbox did not start");
        services = sandboxServices(environment, server.endpoints(), false);
    }
    MemoryCredentialStore& store() { return *services->memoryCredentialStore(); }
    SettingsServices settings() {
        return {services->userDefaults(),
                services->supplierPreferences(),
                services->credentialStore(),
                services->autoEuroClient(),
                services->autopiterClient(),
                services->tradeSoftAPI(),
                u"памяти"_s};
    }
    std::optional<QString> stored(const QString& account) { return awaitTask(store().read(account)); }
};

void typeAndClick(QLineEdit* field, const QString& text, QPushButton* button) {
    field->setText(text);
    button->click();
}

} // namespace

class SettingsSheetTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void markupSwitchesAndHistory_takeEffectAtOnce() {
        SettingsSandbox s;
        SearchHistory history(s.services->userDefaults());
        history.record(u"OC 90"_s, 4);
        SettingsSheet sheet(s.settings());
        sheet.setLocale(QLocale(QLocale::Russian, QLocale::Russia));
        QSignalSpy changed(&sheet, &SettingsSheet::markupChanged);
        QTest::keyClicks(sheet.markupField(), u"12,5"_s);
        QCOMPARE(s.services->userDefaults().doubleValue(UserDefaultsKeys::markupPercent), 12.5);
        QCOMPARE(changed.last().first().toDouble(), 12.5);
        QCOMPARE(SettingsSheet::markupText(12.5, QLocale(QLocale::Russian, QLocale::Russia)), u"12,5"_s);
        QCOMPARE(SettingsSheet::markupText(10, QLocale(QLocale::Russian, QLocale::Russia)), u"10"_s);

        sheet.supplierSwitch(u"autopiter"_s)->click();
        QVERIFY(!s.services->supplierPreferences().autopiterEnabled());
        sheet.supplierSwitch(u"autoliga"_s)->click();
        QVERIFY(SupplierPreferences(s.services->userDefaults()).autoligaEnabled());

        QVERIFY(sheet.historyLabel()->text().startsWith(u"Недавних артикулов: 1"_s));
        sheet.clearHistoryButton()->click();
        QVERIFY(history.entries().isEmpty());
        QCOMPARE(sheet.historyLabel()->text(), u"История пуста"_s);
        QVERIFY(!sheet.clearHistoryButton()->isEnabled());
    }

    void autoEuro_saveCheckDelete_aLockedStoreIsTheStatus() {
        SettingsSandbox s;
        AutoEuroSettingsSheet sheet(s.settings());
        const QString key = u"autoeuro-api-key"_s;
        typeAndClick(sheet.keyField(), u"   "_s, sheet.saveButton());
        QCOMPARE(sheet.status(), u"Введите API-key."_s);

        typeAndClick(sheet.keyField(), u" wrong "_s, sheet.saveButton());
        QTRY_COMPARE(sheet.status(), u"API-key сохранён."_s);
        QCOMPARE(s.stored(key), u"wrong"_s);
        sheet.checkButton()->click();
        QVERIFY(!sheet.checkButton()->isEnabled());
        QTRY_COMPARE(sheet.status(), u"Ошибка проверки API: AutoEuro не принял API-key (HTTP 401: Неверный "
                                     "API-ключ). Проверьте ключ: «Настройки» → AutoEuro."_s);

        // Saving drops the key the client had cached, so the next check uses the new one.
        typeAndClick(sheet.keyField(), QString::fromUtf16(SandboxServer::autoEuroAPIKey), sheet.saveButton());
        QTRY_COMPARE(sheet.status(), u"API-key сохранён."_s);
        QVERIFY(sheet.keyField()->text().isEmpty());
        sheet.checkButton()->click();
        QTRY_VERIFY(sheet.checkButton()->isEnabled());
        QVERIFY2(sheet.accountInfo().startsWith(u"API AutoEuro: доступ подтверждён\n\nПлательщики:\n"_s),
                 qPrintable(sheet.accountInfo()));

        sheet.deleteButton()->click();
        QTRY_COMPARE(sheet.status(), u"API-key удалён."_s);
        QVERIFY(!s.stored(key));
        QVERIFY(sheet.accountInfo().isEmpty());

        // A locked store is the status, and the field keeps what was typed.
        s.store().setFailure(KeychainError(-128, u"Хранилище заблокировано"_s));
        typeAndClick(sheet.keyField(), u"typed"_s, sheet.saveButton());
        QTRY_COMPARE(sheet.status(), u"Хранилище заблокировано"_s);
        QCOMPARE(sheet.keyField()->text(), u"typed"_s);
    }

    void autopiter_saveClearsTheOldLogin() {
        SettingsSandbox s;
        s.store().set(u"autopiter-user-id"_s, QString::fromUtf16(SandboxServer::autopiterUserID));
        s.store().set(u"autopiter-password"_s, QString::fromUtf16(SandboxServer::autopiterPassword));
        AutopiterSettingsSheet sheet(s.settings());
        QSignalSpy loaded(&sheet, &AutopiterSettingsSheet::loaded);
        QVERIFY(loaded.wait());
        QCOMPARE(sheet.userIDField()->text(), QString::fromUtf16(SandboxServer::autopiterUserID));
        QVERIFY(sheet.passwordField()->text().isEmpty());

        sheet.checkButton()->click();
        QTRY_COMPARE(sheet.status(), u"Autopiter: подключение подтверждено."_s);

        sheet.passwordField()->clear();
        sheet.saveButton()->click();
        QCOMPARE(sheet.status(), u"Введите пароль Autopiter."_s);
        // Another account: searches must not go on under the old login's cookie.
        sheet.userIDField()->setText(u"someone-else"_s);
        typeAndClick(sheet.passwordField(), u"guess"_s, sheet.saveButton());
        QTRY_COMPARE(sheet.status(), u"Данные Autopiter сохранены."_s);
        AutopiterProvider provider(s.services->autopiterClient());
        QString failure;
        try {
            awaitTask(provider.search(u"OC 90"_s));
        } catch (const UserFacingError& error) {
            failure = error.description();
        }
        QCOMPARE(failure, u"Autopiter отклонил авторизацию."_s);

        sheet.checkButton()->click();
        QTRY_COMPARE(sheet.status(), u"Ошибка Autopiter: Autopiter отклонил авторизацию."_s);
        sheet.deleteButton()->click();
        QTRY_COMPARE(sheet.status(), u"Данные Autopiter удалены."_s);
        QVERIFY(!s.stored(u"autopiter-user-id"_s) && !s.stored(u"autopiter-password"_s));
    }

    void autoliga_keepsStoredPasswords_andChecksThroughTradeSoft() {
        SettingsSandbox s;
        AutoligaSettingsSheet sheet(s.settings());
        QSignalSpy finished(&sheet, &AutoligaSettingsSheet::finished);
        sheet.tradeSoftUserField()->setText(QString::fromUtf16(SandboxServer::tradeSoftUser));
        sheet.autoligaLoginField()->setText(u"  "_s);
        sheet.saveButton()->click();
        QTRY_COMPARE(sheet.status(), u"Укажите оба логина."_s);

        sheet.autoligaLoginField()->setText(QString::fromUtf16(SandboxServer::autoligaLogin));
        sheet.saveButton()->click();
        QTRY_COMPARE(sheet.status(), u"Укажите пароль TradeSoft."_s);
        QCOMPARE(sheet.statusIsSuccess(), 0);

        sheet.tradeSoftPasswordField()->setText(QString::fromUtf16(SandboxServer::tradeSoftPassword));
        sheet.autoligaPasswordField()->setText(QString::fromUtf16(SandboxServer::autoligaPassword));
        finished.clear();
        sheet.saveButton()->click();
        QVERIFY(finished.wait());
        QCOMPARE(sheet.status(), u"Данные сохранены в памяти."_s);
        QCOMPARE(sheet.statusIsSuccess(), 1);
        QVERIFY(sheet.tradeSoftPasswordField()->text().isEmpty());

        // Empty password fields keep what is stored; the check then goes through TradeSoft.
        finished.clear();
        sheet.checkButton()->click();
        QVERIFY(finished.wait(10000));
        QCOMPARE(sheet.status(), u"Автолига через TradeSoft: подключение подтверждено."_s);
        QCOMPARE(sheet.statusIsSuccess(), 1);

        sheet.autoligaPasswordField()->setText(u"wrong"_s);
        finished.clear();
        sheet.checkButton()->click();
        QVERIFY(finished.wait(10000));
        QCOMPARE(sheet.statusIsSuccess(), 0);
        QVERIFY(!sheet.status().isEmpty());

        finished.clear();
        sheet.deleteButton()->click();
        QVERIFY(finished.wait());
        QCOMPARE(sheet.status(), u"Данные подключения удалены."_s);
        QVERIFY(!s.stored(u"tradesoft-password"_s) && !s.stored(u"autoliga-login"_s));
    }
};

QTEST_MAIN(SettingsSheetTest)
#include "tst_SettingsSheet.moc"
