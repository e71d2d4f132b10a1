#include "FeedbackSheet.h"

#include "core/UserFacingError.h"
#include "feedback/FeedbackTransport.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString noAddressStatus() {
    return FeedbackForm::noAddressText() +
           QStringLiteral(" Скопируйте текст обращения и отправьте его другим способом.");
}

QLabel* wrappingLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPlainTextEdit* textEditor(QWidget* parent, int minimumHeight) {
    auto* editor = new QPlainTextEdit(parent);
    editor->setTabChangesFocus(true);
    editor->setMinimumHeight(minimumHeight);
    return editor;
}

} // namespace

FeedbackSheet::FeedbackSheet(FeedbackTransport& transport, QWidget* parent)
    : QDialog(parent)
    , m_transport(transport) {
    setWindowTitle(QStringLiteral("Обратная связь"));
    setMinimumWidth(640);

    QWidget* header = makeHeader();
    auto* intro = wrappingLabel(QStringLiteral("Предложения и сообщения помогают развивать Orelia."), this);

    m_category = new QComboBox(this);
    for (const FeedbackCategory category : FeedbackCategories::all())
        m_category->addItem(FeedbackCategories::title(category), static_cast<int>(category));
    auto* categoryRow = new QHBoxLayout;
    auto* categoryLabel = new QLabel(QStringLiteral("Категория"), this);
    categoryLabel->setBuddy(m_category);
    categoryRow->addWidget(categoryLabel);
    categoryRow->addWidget(m_category, 1);

    auto* privacy = wrappingLabel(QStringLiteral("Orelia не добавляет к обращению API-ключи, пароли, содержимое "
                                                 "Keychain, корзину или историю поиска."),
                                  this);
    privacy->setForegroundRole(QPalette::PlaceholderText);

    buildForms();

    m_status = wrappingLabel(QString(), this);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    m_copyButton = new QPushButton(QStringLiteral("Скопировать текст"), this);
    m_sendButton = new QPushButton(QStringLiteral("Отправить обращение"), this);
    // Return in a field must neither send nor close the sheet.
    for (QPushButton* button : {m_copyButton, m_sendButton, m_closeButton})
        button->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_copyButton);
    buttons->addStretch(1);
    buttons->addWidget(m_sendButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);
    layout->addWidget(header);
    layout->addWidget(intro);
    layout->addLayout(categoryRow);
    layout->addWidget(privacy);
    layout->addWidget(m_generalForm, 1);
    layout->addWidget(m_supplierForm, 1);
    layout->addLayout(m_contactForm);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    connect(m_category, &QComboBox::currentIndexChanged, this, &FeedbackSheet::showFormForCategory);
    connect(m_sendButton, &QPushButton::clicked, this, &FeedbackSheet::submit);
    connect(m_copyButton, &QPushButton::clicked, this, &FeedbackSheet::copyText);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);

    // Say it before the user writes a message that has nowhere to go.
    const bool canSend = m_transport.hasEndpoint();
    m_copyButton->setVisible(!canSend);
    if (!canSend)
        setStatus(noAddressStatus());
    showFormForCategory();
    m_subject->setFocus();
}

FeedbackSheet::~FeedbackSheet() = default;

QWidget* FeedbackSheet::makeHeader() {
    auto* header = new QWidget(this);
    auto* title = new QLabel(QStringLiteral("Обратная связь"), header);
    QFont font = title->font();
    font.setPointSizeF(font.pointSizeF() + 4);
    font.setWeight(QFont::DemiBold);
    title->setFont(font);
    m_closeButton = new QPushButton(QStringLiteral("Закрыть"), header);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(title, 1);
    row->addWidget(m_closeButton);
    return header;
}

namespace {

// Labels above their fields: beside them, the long Russian labels would leave the fields half the width.
QVBoxLayout* formLayout(QWidget* parent) {
    auto* form = parent ? new QVBoxLayout(parent) : new QVBoxLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(8);
    return form;
}

void addRow(QVBoxLayout* form, const QString& label, QWidget* field, int stretch = 0) {
    auto* row = new QVBoxLayout;
    row->setSpacing(3);
    if (!label.isEmpty()) {
        auto* text = new QLabel(label, field->parentWidget());
        text->setBuddy(field);
        row->addWidget(text);
    }
    row->addWidget(field, stretch);
    form->addLayout(row, stretch);
}

} // namespace

void FeedbackSheet::buildForms() {
    m_generalForm = new QWidget(this);
    m_subject = new QLineEdit(m_generalForm);
    m_message = textEditor(m_generalForm, 160);
    m_message->setAccessibleName(QStringLiteral("Сообщение"));
    QVBoxLayout* general = formLayout(m_generalForm);
    addRow(general, QStringLiteral("Тема"), m_subject);
    addRow(general, QString(), m_message, 1);

    m_supplierForm = new QWidget(this);
    m_supplierName = new QLineEdit(m_supplierForm);
    m_supplierWebsite = new QLineEdit(m_supplierForm);
    m_supplierRegion = new QLineEdit(m_supplierForm);
    m_supplierHasAccount = new QCheckBox(QStringLiteral("У меня есть аккаунт этого поставщика"), m_supplierForm);
    m_supplierIntegrationInfo = textEditor(m_supplierForm, 90);
    // A few lines are enough here; a tall editor would push the sheet off a small screen.
    m_supplierIntegrationInfo->setMaximumHeight(120);
    m_supplierDocumentationURL = new QLineEdit(m_supplierForm);
    m_supplierIntegrationContact = new QLineEdit(m_supplierForm);
    QVBoxLayout* supplier = formLayout(m_supplierForm);
    addRow(supplier, QStringLiteral("Название поставщика"), m_supplierName);
    addRow(supplier, QStringLiteral("Официальный сайт"), m_supplierWebsite);
    addRow(supplier, QStringLiteral("Страна / регион"), m_supplierRegion);
    addRow(supplier, QString(), m_supplierHasAccount);
    addRow(supplier, QStringLiteral("Что известно об API или интеграции"), m_supplierIntegrationInfo);
    addRow(supplier, QStringLiteral("Ссылка на документацию API — если известна"), m_supplierDocumentationURL);
    addRow(supplier, QStringLiteral("Контакт отдела интеграции — если известен"), m_supplierIntegrationContact);

    // Last in both layouts, and kept when the category changes.
    m_contact = new QLineEdit(this);
    m_contactForm = formLayout(nullptr);
    addRow(m_contactForm, QStringLiteral("Контакт для ответа — необязательно"), m_contact);
}

FeedbackCategory FeedbackSheet::category() const {
    return static_cast<FeedbackCategory>(m_category->currentData().toInt());
}

void FeedbackSheet::setCategory(FeedbackCategory category) {
    m_category->setCurrentIndex(m_category->findData(static_cast<int>(category)));
}

void FeedbackSheet::showFormForCategory() {
    const bool supplier = category() == FeedbackCategory::supplier;
    m_generalForm->setVisible(!supplier);
    m_supplierForm->setVisible(supplier);
    // The supplier form is taller: grow the sheet rather than squeeze its rows. The wrapped
    // lines need the height for the sheet's actual width.
    if (isVisible()) {
        layout()->activate();
        const int needed = hasHeightForWidth() ? heightForWidth(width()) : sizeHint().height();
        if (height() < needed)
            resize(width(), needed);
    }
}

FeedbackForm::Fields FeedbackSheet::fields() const {
    FeedbackForm::Fields f;
    f.category = category();
    f.subject = m_subject->text();
    f.message = m_message->toPlainText();
    f.contact = m_contact->text();
    f.supplierName = m_supplierName->text();
    f.supplierWebsite = m_supplierWebsite->text();
    f.supplierRegion = m_supplierRegion->text();
    f.supplierHasAccount = m_supplierHasAccount->isChecked();
    f.supplierIntegrationInfo = m_supplierIntegrationInfo->toPlainText();
    f.supplierDocumentationURL = m_supplierDocumentationURL->text();
    f.supplierIntegrationContact = m_supplierIntegrationContact->text();
    return f;
}

QString FeedbackSheet::status() const {
    return m_status->text();
}

void FeedbackSheet::setStatus(const QString& text) {
    m_status->setText(text);
}

void FeedbackSheet::setSubmitting(bool submitting) {
    m_isSubmitting = submitting;
    m_sendButton->setEnabled(!submitting);
    m_sendButton->setText(submitting ? QStringLiteral("Отправка…") : QStringLiteral("Отправить обращение"));
}

void FeedbackSheet::submit() {
    if (m_isSubmitting)
        return;
    auto made = FeedbackForm::makeDraft(fields(), FeedbackForm::appVersionText(), FeedbackForm::osVersionText());
    if (const QString* refusal = std::get_if<QString>(&made)) {
        setStatus(*refusal);
        return;
    }
    if (!m_transport.hasEndpoint()) {
        setStatus(noAddressStatus());
        return;
    }
    // The disabled button hands the focus on to "Закрыть"; it comes back when the answer is in.
    m_refocusSendButton = m_sendButton->hasFocus();
    setSubmitting(true);
    setStatus(FeedbackForm::sendingText());
    send(QPointer<FeedbackSheet>(this), m_transport, std::get<FeedbackDraft>(std::move(made)));
}

QCoro::Task<> FeedbackSheet::send(QPointer<FeedbackSheet> sheet, FeedbackTransport& transport, FeedbackDraft draft) {
    const FeedbackCategory category = draft.category;
    std::optional<FeedbackReceipt> receipt;
    QString failure;
    try {
        auto submission = transport.submit(std::move(draft));
        receipt = co_await std::move(submission);
    } catch (const UserFacingError& error) {
        failure = error.description();
    }
    if (!sheet)
        co_return;
    sheet->finishSubmission(category, receipt, failure);
}

void FeedbackSheet::finishSubmission(FeedbackCategory category, const std::optional<FeedbackReceipt>& receipt,
                                     const QString& failure) {
    setSubmitting(false);
    if (m_refocusSendButton && (!focusWidget() || focusWidget() == m_closeButton))
        m_sendButton->setFocus();
    if (!receipt) {
        setStatus(failure);
        return;
    }
    m_isSubmitted = true;
    setStatus(FeedbackForm::sentText(*receipt));
    // The category and the contact stay for the next message.
    m_subject->clear();
    m_message->clear();
    if (category == FeedbackCategory::supplier)
        clearSupplierFields();
}

void FeedbackSheet::clearSupplierFields() {
    for (QLineEdit* field : {m_supplierName, m_supplierWebsite, m_supplierRegion, m_supplierDocumentationURL,
                             m_supplierIntegrationContact})
        field->clear();
    m_supplierIntegrationInfo->clear();
    m_supplierHasAccount->setChecked(false);
}

QString FeedbackSheet::plainText() const {
    const FeedbackForm::Fields f = fields();
    QStringList lines{QStringLiteral("Категория: ") + FeedbackCategories::title(f.category)};
    auto add = [&](const QString& label, const QString& value) {
        const QString text = value.trimmed();
        if (!text.isEmpty())
            lines.append(label + QStringLiteral(": ") + text);
    };
    if (f.category == FeedbackCategory::supplier) {
        add(QStringLiteral("Название поставщика"), f.supplierName);
        add(QStringLiteral("Официальный сайт"), f.supplierWebsite);
        add(QStringLiteral("Страна / регион"), f.supplierRegion);
        lines.append(QStringLiteral("У меня есть аккаунт этого поставщика: ") +
                     (f.supplierHasAccount ? QStringLiteral("да") : QStringLiteral("нет")));
        add(QStringLiteral("Что известно об API или интеграции"), f.supplierIntegrationInfo);
        add(QStringLiteral("Ссылка на документацию API"), f.supplierDocumentationURL);
        add(QStringLiteral("Контакт отдела интеграции"), f.supplierIntegrationContact);
    } else {
        add(QStringLiteral("Тема"), f.subject);
    }
    const QString message = f.message.trimmed();
    if (!message.isEmpty())
        lines << QString() << message << QString();
    add(QStringLiteral("Контакт для ответа"), f.contact);
    add(QStringLiteral("Версия Orelia"), FeedbackForm::appVersionText());
    add(QStringLiteral("Система"), FeedbackForm::osVersionText());
    return lines.join(u'\n') + u'\n';
}

void FeedbackSheet::copyText() {
    QApplication::clipboard()->setText(plainText());
    setStatus(QStringLiteral("Текст обращения скопирован в буфер обмена."));
}
