#include "AutoligaSettingsSheet.h"

#include "credentials/CredentialStore.h"
#include "SettingsWidgets.h"
#include "suppliers/ConnectionChecks.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString account(const char16_t* name) {
    return QString::fromUtf16(name);
}

// Whether the store holds a non-empty value; a failing store throws.
QCoro::Task<bool> isStored(CredentialStore& store, QString name) {
    auto read = store.read(name);
    const std::optional<QString> value = co_await std::move(read);
    co_return value && !value->isEmpty();
}

} // namespace

AutoligaSettingsSheet::AutoligaSettingsSheet(SettingsServices services, QWidget* parent)
    : QDialog(parent)
    , m_services(std::move(services)) {
    setWindowTitle(QStringLiteral("Автолига"));
    setMinimumWidth(560);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(SettingsWidgets::header(this, QStringLiteral("Автолига")));

    const auto group = [this](const QString& title, const QString& loginTitle, QLineEdit** login,
                              const QString& passwordTitle, QLineEdit** password) {
        auto* box = new QGroupBox(title, this);
        auto* form = new QFormLayout(box);
        *login = new QLineEdit(box);
        *password = new QLineEdit(box);
        (*password)->setEchoMode(QLineEdit::Password);
        form->addRow(loginTitle, *login);
        form->addRow(passwordTitle, *password);
        return box;
    };
    layout->addWidget(group(QStringLiteral("TradeSoft"), QStringLiteral("TradeSoft логин"), &m_tradeSoftUser,
                            QStringLiteral("TradeSoft пароль"), &m_tradeSoftPassword));
    layout->addWidget(group(QStringLiteral("Автолига"), QStringLiteral("Автолига логин"), &m_autoligaLogin,
                            QStringLiteral("Автолига пароль"), &m_autoligaPassword));
    m_tradeSoftUser->setObjectName(QStringLiteral("tradeSoftUser"));
    m_tradeSoftPassword->setObjectName(QStringLiteral("tradeSoftPassword"));
    m_autoligaLogin->setObjectName(QStringLiteral("autoligaLogin"));
    m_autoligaPassword->setObjectName(QStringLiteral("autoligaPassword"));

    auto* buttons = new QHBoxLayout();
    m_save = new QPushButton(QStringLiteral("Сохранить"), this);
    m_check = new QPushButton(QStringLiteral("Проверить подключение"), this);
    m_delete = new QPushButton(QStringLiteral("Удалить данные подключения"), this);
    for (QPushButton* b : {m_save, m_check, m_delete})
        b->setAutoDefault(false);
    m_busy = SettingsWidgets::busyIndicator(this);
    buttons->addWidget(m_save);
    buttons->addWidget(m_check);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_busy);
    buttons->addStretch();
    layout->addLayout(buttons);
    m_status = SettingsWidgets::statusLabel(this);
    layout->addWidget(m_status);
    layout->addStretch();

    connect(m_save, &QPushButton::clicked, this, [this] { save(this, m_services, entered()); });
    for (QLineEdit* field : {m_tradeSoftUser, m_tradeSoftPassword, m_autoligaLogin, m_autoligaPassword})
        connect(field, &QLineEdit::returnPressed, m_save, &QPushButton::click);
    connect(m_check, &QPushButton::clicked, this, [this] { check(this, m_services, entered()); });
    connect(m_delete, &QPushButton::clicked, this, [this] { remove(this, m_services); });
    load(this, m_services);
}

QString AutoligaSettingsSheet::status() const {
    return m_status->text();
}

AutoligaSettingsSheet::Entered AutoligaSettingsSheet::entered() const {
    return {m_tradeSoftUser->text(), m_tradeSoftPassword->text(), m_autoligaLogin->text(), m_autoligaPassword->text()};
}

void AutoligaSettingsSheet::setStatus(const QString& text, int success) {
    m_statusIsSuccess = success;
    SettingsWidgets::showStatus(m_status, text, success);
}

QCoro::Task<> AutoligaSettingsSheet::load(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services) {
    std::optional<QString> user;
    std::optional<QString> login;
    QString failure;
    try {
        auto readUser = services.credentials.read(account(CredentialAccounts::tradeSoftUser));
        user = co_await std::move(readUser);
        auto readLogin = services.credentials.read(account(CredentialAccounts::autoligaLogin));
        login = co_await std::move(readLogin);
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    if (user && sheet->m_tradeSoftUser->text().isEmpty())
        sheet->m_tradeSoftUser->setText(*user);
    if (login && sheet->m_autoligaLogin->text().isEmpty())
        sheet->m_autoligaLogin->setText(*login);
    if (!failure.isEmpty())
        sheet->setStatus(failure, 0);
    Q_EMIT sheet->loaded();
}

QCoro::Task<bool> AutoligaSettingsSheet::store(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services,
                                               Entered entered, bool announce) {
    const QString user = entered.tradeSoftUser.trimmed();
    const QString login = entered.autoligaLogin.trimmed();
    if (user.isEmpty() || login.isEmpty()) {
        sheet->setStatus(QStringLiteral("Укажите оба логина."), 0);
        co_return false;
    }
    QString failure;
    try {
        auto saveUser = services.credentials.save(user, account(CredentialAccounts::tradeSoftUser));
        co_await std::move(saveUser);
        auto saveLogin = services.credentials.save(login, account(CredentialAccounts::autoligaLogin));
        co_await std::move(saveLogin);
        // An empty password field keeps the stored password; with none stored it is missing.
        const std::pair<QString, const char16_t*> passwords[] = {
            {entered.tradeSoftPassword, CredentialAccounts::tradeSoftPassword},
            {entered.autoligaPassword, CredentialAccounts::autoligaPassword}};
        for (const auto& [typed, name] : passwords) {
            if (!typed.isEmpty()) {
                auto savePassword = services.credentials.save(typed, account(name));
                co_await std::move(savePassword);
                continue;
            }
            auto stored = isStored(services.credentials, account(name));
            if (!co_await std::move(stored)) {
                failure = name == CredentialAccounts::tradeSoftPassword ? QStringLiteral("Укажите пароль TradeSoft.")
                                                                        : QStringLiteral("Укажите пароль Автолиги.");
                break;
            }
        }
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return false;
    if (!failure.isEmpty()) {
        sheet->setStatus(failure, 0);
        co_return false;
    }
    sheet->m_tradeSoftPassword->clear();
    sheet->m_autoligaPassword->clear();
    if (announce)
        sheet->setStatus(QStringLiteral("Данные сохранены в %1.").arg(services.storeName), 1);
    co_return true;
}

QCoro::Task<> AutoligaSettingsSheet::save(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services,
                                          Entered entered) {
    auto task = store(sheet, services, std::move(entered), true);
    co_await std::move(task);
    if (sheet)
        Q_EMIT sheet->finished();
}

QCoro::Task<> AutoligaSettingsSheet::check(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services,
                                           Entered entered) {
    if (sheet->m_isChecking)
        co_return;
    auto saving = store(sheet, services, std::move(entered), false);
    const bool complete = co_await std::move(saving);
    if (!sheet)
        co_return;
    if (!complete) {
        // The reason is in the status already.
        Q_EMIT sheet->finished();
        co_return;
    }
    sheet->m_isChecking = true;
    sheet->m_check->setEnabled(false);
    sheet->m_busy->setVisible(true);
    sheet->setStatus(QStringLiteral("Проверяем подключение…"), -1);
    auto task = ConnectionChecks::autoliga(services.tradeSoft);
    const ConnectionChecks::Result result = co_await std::move(task);
    if (!sheet)
        co_return;
    sheet->m_isChecking = false;
    sheet->m_check->setEnabled(true);
    sheet->m_busy->setVisible(false);
    sheet->setStatus(result.status, result.ok ? 1 : 0);
    sheet->adjustSize();
    Q_EMIT sheet->finished();
}

QCoro::Task<> AutoligaSettingsSheet::remove(QPointer<AutoligaSettingsSheet> sheet, SettingsServices services) {
    QString failure;
    try {
        for (const char16_t* name : {CredentialAccounts::tradeSoftUser, CredentialAccounts::tradeSoftPassword,
                                     CredentialAccounts::autoligaLogin, CredentialAccounts::autoligaPassword}) {
            auto removal = services.credentials.remove(account(name));
            co_await std::move(removal);
        }
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    if (failure.isEmpty()) {
        for (QLineEdit* field :
             {sheet->m_tradeSoftUser, sheet->m_tradeSoftPassword, sheet->m_autoligaLogin, sheet->m_autoligaPassword})
            field->clear();
        sheet->setStatus(QStringLiteral("Данные подключения удалены."), -1);
    } else {
        sheet->setStatus(failure, 0);
    }
    Q_EMIT sheet->finished();
}
