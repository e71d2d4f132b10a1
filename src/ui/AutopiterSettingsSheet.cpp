#include "AutopiterSettingsSheet.h"

#include "credentials/CredentialStore.h"
#include "SettingsWidgets.h"
#include "suppliers/autopiter/AutopiterClient.h"
#include "suppliers/ConnectionChecks.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kUserID = QString::fromUtf16(CredentialAccounts::autopiterUserID);
const QString kPassword = QString::fromUtf16(CredentialAccounts::autopiterPassword);

} // namespace

AutopiterSettingsSheet::AutopiterSettingsSheet(SettingsServices services, QWidget* parent)
    : QDialog(parent)
    , m_services(std::move(services)) {
    setWindowTitle(QStringLiteral("Autopiter"));
    setMinimumWidth(560);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(SettingsWidgets::header(this, QStringLiteral("Autopiter")));
    auto* note = new QLabel(QStringLiteral("User ID и пароль хранятся в %1.").arg(m_services.storeName), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addWidget(SettingsWidgets::howToConnect(
        this, QStringLiteral("1. Получите доступ к API для своего аккаунта Autopiter.\n"
                             "2. Если Autopiter требует разрешённый публичный IP-адрес, зарегистрируйте его у "
                             "поставщика.\n"
                             "3. Введите ниже свой User ID и пароль Autopiter.\n"
                             "4. Нажмите «Сохранить», затем «Проверить подключение».\n\n"
                             "Важно: указание IP-адреса в программе не меняет ваш внешний IP. Orelia использует "
                             "сетевые требования, установленные самим поставщиком.")));

    auto* form = new QFormLayout();
    m_userID = new QLineEdit(this);
    m_userID->setObjectName(QStringLiteral("userID"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("User ID"), m_userID);
    form->addRow(QStringLiteral("Пароль"), m_password);
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout();
    m_save = new QPushButton(QStringLiteral("Сохранить"), this);
    m_delete = new QPushButton(QStringLiteral("Удалить"), this);
    m_check = new QPushButton(QStringLiteral("Проверить подключение"), this);
    for (QPushButton* b : {m_save, m_delete, m_check})
        b->setAutoDefault(false);
    m_busy = SettingsWidgets::busyIndicator(this);
    buttons->addWidget(m_save);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_check);
    buttons->addWidget(m_busy);
    buttons->addStretch();
    layout->addLayout(buttons);
    m_status = SettingsWidgets::statusLabel(this);
    layout->addWidget(m_status);
    layout->addStretch();

    connect(m_save, &QPushButton::clicked, this,
            [this] { save(this, m_services, m_userID->text(), m_password->text()); });
    connect(m_userID, &QLineEdit::returnPressed, m_save, &QPushButton::click);
    connect(m_password, &QLineEdit::returnPressed, m_save, &QPushButton::click);
    connect(m_delete, &QPushButton::clicked, this, [this] { remove(this, m_services); });
    connect(m_check, &QPushButton::clicked, this, [this] { check(this, m_services); });
    load(this, m_services);
}

QString AutopiterSettingsSheet::status() const {
    return m_status->text();
}

QCoro::Task<> AutopiterSettingsSheet::load(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services) {
    std::optional<QString> stored;
    QString failure;
    try {
        auto read = services.credentials.read(kUserID);
        stored = co_await std::move(read);
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    if (stored && sheet->m_userID->text().isEmpty())
        sheet->m_userID->setText(*stored);
    if (!failure.isEmpty())
        sheet->m_status->setText(failure);
    Q_EMIT sheet->loaded();
}

QCoro::Task<> AutopiterSettingsSheet::save(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services,
                                           QString userID, QString password) {
    userID = userID.trimmed();
    if (userID.isEmpty()) {
        sheet->m_status->setText(QStringLiteral("Введите User ID Autopiter."));
        co_return;
    }
    if (password.isEmpty()) {
        sheet->m_status->setText(QStringLiteral("Введите пароль Autopiter."));
        co_return;
    }
    QString status;
    try {
        auto storeID = services.credentials.save(userID, kUserID);
        co_await std::move(storeID);
        auto storePassword = services.credentials.save(password, kPassword);
        co_await std::move(storePassword);
        // A login under the old account must not go on until its cookie expires.
        services.autopiter.clearAuthorization();
        status = QStringLiteral("Данные Autopiter сохранены.");
    } catch (const UserFacingError& error) {
        status = error.description();
    }
    if (!sheet)
        co_return;
    if (status == u"Данные Autopiter сохранены.")
        sheet->m_password->clear();
    sheet->m_status->setText(status);
}

QCoro::Task<> AutopiterSettingsSheet::remove(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services) {
    QString status;
    try {
        auto removeID = services.credentials.remove(kUserID);
        co_await std::move(removeID);
        auto removePassword = services.credentials.remove(kPassword);
        co_await std::move(removePassword);
        services.autopiter.clearAuthorization();
        status = QStringLiteral("Данные Autopiter удалены.");
    } catch (const UserFacingError& error) {
        status = error.description();
    }
    if (!sheet)
        co_return;
    if (status == u"Данные Autopiter удалены.") {
        sheet->m_userID->clear();
        sheet->m_password->clear();
    }
    sheet->m_status->setText(status);
}

QCoro::Task<> AutopiterSettingsSheet::check(QPointer<AutopiterSettingsSheet> sheet, SettingsServices services) {
    if (sheet->m_isChecking)
        co_return;
    sheet->m_isChecking = true;
    sheet->m_check->setEnabled(false);
    sheet->m_busy->setVisible(true);
    sheet->m_status->setText(QStringLiteral("Проверка подключения Autopiter…"));
    auto task = ConnectionChecks::autopiter(services.autopiter);
    const ConnectionChecks::Result result = co_await std::move(task);
    if (!sheet)
        co_return;
    sheet->m_isChecking = false;
    sheet->m_check->setEnabled(true);
    sheet->m_busy->setVisible(false);
    sheet->m_status->setText(result.status);
    sheet->adjustSize();
}
