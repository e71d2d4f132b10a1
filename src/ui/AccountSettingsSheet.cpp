#include "AccountSettingsSheet.h"

#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "credentials/CredentialStore.h"
#include "ServiceAddressBlock.h"
#include "suppliers/SupplierPlatforms.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

QLineEdit* field(QWidget* parent, const QString& objectName, bool secret = false) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    if (secret)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}

QLabel* caption(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

AccountSettingsSheet::AccountSettingsSheet(SettingsServices services, std::optional<SupplierAccount> account,
                                           QWidget* parent)
    : SupplierSheet(std::move(services), account ? account->name : QStringLiteral("Новый поставщик"), parent)
    , m_account(std::move(account)) {
    const QString storeName = this->services().storeName;
    addNote(QStringLiteral("Поставщики на платформах ABCP и TradeSoft: интернет-магазин со своим адресом API или "
                           "поставщик из вашего аккаунта TradeSoft. Логины и пароли хранятся в %1.")
                .arg(storeName));

    auto* choice = new QHBoxLayout();
    auto* group = new QButtonGroup(this);
    for (const auto& p : this->services().platforms.all()) {
        auto* button = new QRadioButton(p->title(), this);
        button->setObjectName(QStringLiteral("platform-") + p->id());
        button->setProperty("platform", p->id());
        group->addButton(button);
        choice->addWidget(button);
        m_platforms.append(button);
    }
    choice->addStretch();
    addContent(choice);
    m_platformNote = caption(this);
    addContent(m_platformNote);

    m_form = new QFormLayout();
    m_provider = new QComboBox(this);
    m_provider->setObjectName(QStringLiteral("provider"));
    m_provider->setEditable(true);
    m_provider->setInsertPolicy(QComboBox::NoInsert);
    m_provider->setMinimumContentsLength(24);
    m_loginInfo = caption(this);
    m_name = field(this, QStringLiteral("name"));
    m_address = field(this, QStringLiteral("address"));
    m_address->setPlaceholderText(QStringLiteral("https://id12345.public.api.abcp.ru/"));
    m_addressInUse = caption(this);
    m_addressInUse->setWordWrap(false);
    m_tradeSoftUser = field(this, QStringLiteral("tradeSoftUser"));
    m_tradeSoftPassword = field(this, QStringLiteral("tradeSoftPassword"), true);
    m_login = field(this, QStringLiteral("login"));
    m_password = field(this, QStringLiteral("password"), true);
    m_form->addRow(QStringLiteral("Поставщик в TradeSoft"), m_provider);
    m_form->addRow(QStringLiteral("Название"), m_name);
    m_form->addRow(QStringLiteral("Адрес API"), m_address);
    m_form->addRow(QString(), m_addressInUse);
    m_form->addRow(QStringLiteral("TradeSoft логин"), m_tradeSoftUser);
    m_form->addRow(QStringLiteral("TradeSoft пароль"), m_tradeSoftPassword);
    m_form->addRow(QStringLiteral("Логин"), m_login);
    m_form->addRow(QStringLiteral("Пароль"), m_password);
    addContent(m_form);
    // Under the fields rather than in the form, whose rows would not give a wrapped text its lines.
    addContent(m_loginInfo);

    m_save = addButton(m_account ? QStringLiteral("Сохранить") : QStringLiteral("Добавить"));
    m_check = addCheckButton(QStringLiteral("Проверить подключение"));
    m_delete = addButton(QStringLiteral("Удалить"));

    const bool tradeSoft = std::any_of(
        this->services().platforms.all().begin(), this->services().platforms.all().end(),
        [this](const auto& p) { return p->hasProvider() && (!m_account || m_account->platform == p->id()); });
    // TradeSoft's own address, shared with Автолига's check.
    if (tradeSoft)
        addressBlock()->addEntry(
            ServiceAddressBlock::addressEntry(this->services().endpoints, this->services().defaults,
                                              ServiceEndpoints::Service::tradeSoft, QStringLiteral("Адрес TradeSoft")));

    connect(group, &QButtonGroup::buttonToggled, this, [this](QAbstractButton*, bool on) {
        if (on)
            showPlatform();
    });
    connect(m_provider, &QComboBox::currentIndexChanged, this, &AccountSettingsSheet::providerChosen);
    connect(m_save, &QPushButton::clicked, this, [this] { save(this, this->services(), entered()); });
    connect(m_check, &QPushButton::clicked, this, [this] { check(this, this->services(), entered()); });
    connect(m_delete, &QPushButton::clicked, this, [this] { remove(this, this->services()); });
    for (QLineEdit* edit : {m_name, m_address, m_tradeSoftUser, m_tradeSoftPassword, m_login, m_password})
        connect(edit, &QLineEdit::returnPressed, m_save, &QPushButton::click);

    // The sheet takes the size its rows need as they come and go with the platform and the note.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    if (!m_platforms.isEmpty()) {
        const QString chosen = m_account ? m_account->platform : m_platforms.first()->property("platform").toString();
        if (QRadioButton* button = platformChoice(chosen))
            button->setChecked(true);
    }
    showAccount();
    load(this, this->services());
}

QRadioButton* AccountSettingsSheet::platformChoice(const QString& platformID) const {
    for (QRadioButton* button : m_platforms) {
        if (button->property("platform").toString() == platformID)
            return button;
    }
    return nullptr;
}

QString AccountSettingsSheet::platformID() const {
    for (QRadioButton* button : m_platforms) {
        if (button->isChecked())
            return button->property("platform").toString();
    }
    return m_account ? m_account->platform : QString();
}

SupplierPlatform* AccountSettingsSheet::platform() const {
    return services().platforms.find(platformID());
}

QString AccountSettingsSheet::loginInfo() const {
    return m_loginInfo->text();
}

void AccountSettingsSheet::showPlatform() {
    const SupplierPlatform* p = platform();
    const bool provider = p && p->hasProvider();
    const bool address = p && p->hasAddress();
    m_platformNote->setText(p ? p->summary() : QString());
    m_form->setRowVisible(m_provider, provider);
    m_loginInfo->setVisible(provider && !m_loginInfo->text().isEmpty());
    m_form->setRowVisible(m_address, address);
    m_form->setRowVisible(m_tradeSoftUser, provider);
    m_form->setRowVisible(m_tradeSoftPassword, provider);
    qobject_cast<QLabel*>(m_form->labelForField(m_login))
        ->setText(provider ? QStringLiteral("Логин у поставщика") : QStringLiteral("Логин"));
    qobject_cast<QLabel*>(m_form->labelForField(m_password))
        ->setText(provider ? QStringLiteral("Пароль у поставщика") : QStringLiteral("Пароль"));
    m_name->setPlaceholderText(provider ? QStringLiteral("как в списке TradeSoft") : QStringLiteral("Автомагазин"));
    showAddressInUse();
    addressBlock()->setVisible(provider && addressBlock()->entryCount() > 0);
    if (provider && !m_account && m_provider->count() == 0)
        loadProviders(this, services());
    adjustSize();
}

void AccountSettingsSheet::showAccount() {
    const bool added = m_account.has_value();
    for (QRadioButton* button : m_platforms)
        button->setVisible(!added);
    m_platformNote->setVisible(!added);
    m_check->setVisible(added);
    m_delete->setVisible(added);
    m_save->setText(added ? QStringLiteral("Сохранить") : QStringLiteral("Добавить"));
    if (added) {
        setTitle(m_account->name);
        m_name->setText(m_account->name);
        m_address->setText(m_account->address);
        m_provider->setEditText(m_account->provider);
        // The provider is who the supplier is: another one is another supplier.
        m_provider->setEnabled(false);
    }
    showPlatform();
}

void AccountSettingsSheet::showAddressInUse() {
    const SupplierPlatform* p = platform();
    QString text;
    if (p && p->hasAddress()) {
        const SupplierPlatform::AddressInUse in = p->address(m_account.value_or(SupplierAccount()));
        if (in.source != ServiceEndpoints::Source::settings && !in.url.isEmpty())
            text = QStringLiteral("Сейчас: %1 — %2.")
                       .arg(in.url.toString(), ServiceAddressBlock::originText(in.source, in.service));
    }
    m_addressInUse->setText(text);
    m_form->setRowVisible(m_addressInUse, !text.isEmpty());
}

void AccountSettingsSheet::providerChosen() {
    const int index = m_provider->currentIndex();
    const QString info = index >= 0 ? m_provider->itemData(index, Qt::UserRole + 1).toString() : QString();
    m_loginInfo->setText(info.isEmpty() ? QString() : QStringLiteral("Что вводить у поставщика: ") + info);
    m_loginInfo->setVisible(!info.isEmpty() && platform() && platform()->hasProvider());
    // The supplier's own title, unless the buyer has named it already.
    if (!m_account && index >= 0 && (m_name->text().isEmpty() || m_name->text() == m_filledName)) {
        m_filledName = m_provider->itemData(index, Qt::UserRole + 2).toString();
        m_name->setText(m_filledName);
    }
    // The note takes its lines.
    adjustSize();
}

QString AccountSettingsSheet::enteredProvider() const {
    const int index = m_provider->currentIndex();
    const QString text = m_provider->currentText().trimmed();
    if (index >= 0 && text == m_provider->itemText(index))
        return m_provider->itemData(index).toString();
    return text;
}

AccountSettingsSheet::Entered AccountSettingsSheet::entered() const {
    return {platformID(),      m_name->text(),          m_address->text(),
            enteredProvider(), m_tradeSoftUser->text(), m_tradeSoftPassword->text(),
            m_login->text(),   m_password->text()};
}

QCoro::Task<> AccountSettingsSheet::load(QPointer<AccountSettingsSheet> sheet, SettingsServices services) {
    std::optional<QString> user;
    std::optional<QString> login;
    QString failure;
    try {
        auto readUser = services.credentials.read(QString::fromUtf16(CredentialAccounts::tradeSoftUser));
        user = co_await std::move(readUser);
        if (sheet && sheet->m_account) {
            auto readLogin = services.credentials.read(sheet->m_account->loginAccount());
            login = co_await std::move(readLogin);
        }
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    if (user && sheet->m_tradeSoftUser->text().isEmpty())
        sheet->m_tradeSoftUser->setText(*user);
    if (login && sheet->m_login->text().isEmpty())
        sheet->m_login->setText(*login);
    if (!failure.isEmpty())
        sheet->setStatus(failure, 0);
    Q_EMIT sheet->loaded();
}

QCoro::Task<> AccountSettingsSheet::loadProviders(QPointer<AccountSettingsSheet> sheet, SettingsServices services) {
    SupplierPlatform* platform = sheet->platform();
    QList<SupplierPlatform::ProviderChoice> choices;
    QString failure;
    try {
        auto ask = platform->providerChoices();
        choices = co_await std::move(ask);
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    Q_UNUSED(services);
    const QString typed = sheet->m_provider->currentText();
    {
        const QSignalBlocker quiet(sheet->m_provider);
        for (const auto& choice : choices) {
            sheet->m_provider->addItem(
                choice.title.isEmpty() ? choice.id : choice.title + QStringLiteral(" (") + choice.id + u')', choice.id);
            const int at = sheet->m_provider->count() - 1;
            sheet->m_provider->setItemData(at, choice.loginInfo, Qt::UserRole + 1);
            sheet->m_provider->setItemData(at, choice.title.isEmpty() ? choice.id : choice.title, Qt::UserRole + 2);
        }
        sheet->m_provider->setCurrentIndex(-1);
        sheet->m_provider->setEditText(typed);
    }
    sheet->m_provider->lineEdit()->setPlaceholderText(
        failure.isEmpty() ? QStringLiteral("выберите из списка или введите идентификатор")
                          : QStringLiteral("введите идентификатор поставщика"));
    if (!failure.isEmpty())
        sheet->setStatus(QStringLiteral("Список поставщиков TradeSoft недоступен: ") + failure);
    Q_EMIT sheet->providersLoaded();
}
