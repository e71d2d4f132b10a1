#pragma once

#include "feedback/FeedbackForm.h"

#include <QCoroTask>
#include <QDialog>
#include <QPointer>

class FeedbackTransport;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

// The feedback sheet: the user picks a category, fills the general or the new-supplier
// form and sends it; the outcome shows in the sheet itself. Everything typed lives only
// as long as the sheet.
class FeedbackSheet : public QDialog {
    Q_OBJECT

public:
    FeedbackSheet(FeedbackTransport& transport, QWidget* parent = nullptr);
    ~FeedbackSheet() override;

    FeedbackCategory category() const;
    void setCategory(FeedbackCategory category);
    FeedbackForm::Fields fields() const;
    QString status() const;
    bool isSubmitting() const { return m_isSubmitting; }
    bool isSubmitted() const { return m_isSubmitted; }

    // Checks the fields and sends them, unless a submission is already running.
    void submit();
    // The whole draft as plain text, for sending it another way when this build cannot.
    QString plainText() const;
    void copyText();

    QComboBox* categoryPicker() const { return m_category; }
    QLineEdit* subjectField() const { return m_subject; }
    QPlainTextEdit* messageEditor() const { return m_message; }
    QLineEdit* contactField() const { return m_contact; }
    QLineEdit* supplierNameField() const { return m_supplierName; }
    QLineEdit* supplierWebsiteField() const { return m_supplierWebsite; }
    QLineEdit* supplierRegionField() const { return m_supplierRegion; }
    QCheckBox* supplierHasAccountToggle() const { return m_supplierHasAccount; }
    QPlainTextEdit* supplierIntegrationInfoEditor() const { return m_supplierIntegrationInfo; }
    QLineEdit* supplierDocumentationURLField() const { return m_supplierDocumentationURL; }
    QLineEdit* supplierIntegrationContactField() const { return m_supplierIntegrationContact; }
    QLabel* statusLabel() const { return m_status; }
    QPushButton* sendButton() const { return m_sendButton; }
    QPushButton* closeButton() const { return m_closeButton; }
    QPushButton* copyButton() const { return m_copyButton; }

private:
    // Runs apart from the sheet: it may finish after the sheet is gone, and then touches nothing.
    static QCoro::Task<> send(QPointer<FeedbackSheet> sheet, FeedbackTransport& transport, FeedbackDraft draft);
    void finishSubmission(FeedbackCategory category, const std::optional<FeedbackReceipt>& receipt,
                          const QString& failure);

    QWidget* makeHeader();
    void buildForms();
    void showFormForCategory();
    void setSubmitting(bool submitting);
    void setStatus(const QString& text);
    void clearSupplierFields();

    FeedbackTransport& m_transport;
    bool m_isSubmitting = false;
    bool m_isSubmitted = false;
    bool m_refocusSendButton = false;

    QComboBox* m_category = nullptr;
    QWidget* m_generalForm = nullptr;
    QWidget* m_supplierForm = nullptr;
    QVBoxLayout* m_contactForm = nullptr;
    QLineEdit* m_subject = nullptr;
    QPlainTextEdit* m_message = nullptr;
    QLineEdit* m_supplierName = nullptr;
    QLineEdit* m_supplierWebsite = nullptr;
    QLineEdit* m_supplierRegion = nullptr;
    QCheckBox* m_supplierHasAccount = nullptr;
    QPlainTextEdit* m_supplierIntegrationInfo = nullptr;
    QLineEdit* m_supplierDocumentationURL = nullptr;
    QLineEdit* m_supplierIntegrationContact = nullptr;
    QLineEdit* m_contact = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_sendButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QPushButton* m_copyButton = nullptr;
};
