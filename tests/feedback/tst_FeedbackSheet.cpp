#include "FeedbackSandbox.h"
#include "ui/FeedbackSheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoroSignal>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

// The sheet over the sandbox's feedback service.
struct SheetHarness : FeedbackSandbox {
    std::unique_ptr<FeedbackSheet> sheet = std::make_unique<FeedbackSheet>(*transport);

    SheetHarness() { sheet->show(); }
    void fillSupplierFields() const {
        sheet->supplierNameField()->setText(QStringLiteral("Автоальянс"));
        sheet->supplierWebsiteField()->setText(QStringLiteral("https://autoalliance.example"));
        sheet->supplierRegionField()->setText(QStringLiteral("Урал"));
        sheet->supplierHasAccountToggle()->setChecked(true);
        sheet->supplierIntegrationInfoEditor()->setPlainText(QStringLiteral("REST"));
        sheet->supplierDocumentationURLField()->setText(QStringLiteral("https://autoalliance.example/api"));
        sheet->supplierIntegrationContactField()->setText(QStringLiteral("api@autoalliance.example"));
    }
    QStringList supplierFieldTexts() const {
        return {sheet->supplierNameField()->text(),
                sheet->supplierWebsiteField()->text(),
                sheet->supplierRegionField()->text(),
                sheet->supplierHasAccountToggle()->isChecked() ? QStringLiteral("yes") : QStringLiteral("no"),
                sheet->supplierIntegrationInfoEditor()->toPlainText(),
                sheet->supplierDocumentationURLField()->text(),
                sheet->supplierIntegrationContactField()->text()};
    }
};

// Holds every submission until the test opens the gate.
class GatedTransport : public QObject, public FeedbackTransport {
    Q_OBJECT
public:
    bool hasEndpoint() const override { return true; }
    QCoro::Task<FeedbackReceipt> submit(FeedbackDraft) override {
        ++started;
        auto opened = qCoro(this, &GatedTransport::open);
        co_await std::move(opened);
        ++answered;
        co_return FeedbackReceipt{QStringLiteral("FB-000777"), QStringLiteral("received"), std::nullopt};
    }
    int started = 0;
    int answered = 0;

Q_SIGNALS:
    void open();
};

} // namespace

class FeedbackSheetTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void picker_switchesLayoutsWithTheCategory_refusalsSendNothing() {
        SheetHarness h;
        FeedbackSheet& sheet = *h.sheet;
        QCOMPARE(sheet.category(), FeedbackCategory::improvement);
        QVERIFY(!sheet.copyButton()->isVisibleTo(&sheet));
        const QList<QWidget*> general{sheet.subjectField(), sheet.messageEditor()};
        const QList<QWidget*> supplier{sheet.supplierNameField(), sheet.supplierHasAccountToggle(),
                                       sheet.supplierIntegrationInfoEditor(), sheet.supplierIntegrationContactField()};
        for (const FeedbackCategory category : FeedbackCategories::all()) {
            sheet.setCategory(category);
            const bool isSupplier = category == FeedbackCategory::supplier;
            for (QWidget* field : general)
                QCOMPARE(field->isVisibleTo(&sheet), !isSupplier);
            for (QWidget* field : supplier)
                QCOMPARE(field->isVisibleTo(&sheet), isSupplier);
            QVERIFY(sheet.contactField()->isVisibleTo(&sheet));
        }

        sheet.setCategory(FeedbackCategory::bug);
        sheet.messageEditor()->setPlainText(QStringLiteral("  \n\n "));
        QTest::mouseClick(sheet.sendButton(), Qt::LeftButton);
        QCOMPARE(sheet.status(), QStringLiteral("Введите сообщение."));
        sheet.setCategory(FeedbackCategory::supplier);
        sheet.supplierNameField()->setText(QStringLiteral(" "));
        QTest::mouseClick(sheet.sendButton(), Qt::LeftButton);
        QCOMPARE(sheet.status(), QStringLiteral("Укажите название поставщика."));
        QVERIFY(!sheet.isSubmitting());
        QVERIFY(h.sandbox.requests().isEmpty());
    }

    void submission_failureKeepsEverything_successClearsTheMessageButKeepsCategoryAndContact_data() {
        QTest::addColumn<FeedbackCategory>("category");
        QTest::addColumn<bool>("supplierFieldsCleared");
        QTest::newRow("bug") << FeedbackCategory::bug << false;
        QTest::newRow("supplier") << FeedbackCategory::supplier << true;
    }

    void submission_failureKeepsEverything_successClearsTheMessageButKeepsCategoryAndContact() {
        QFETCH(FeedbackCategory, category);
        QFETCH(bool, supplierFieldsCleared);
        SheetHarness h;
        FeedbackSheet& sheet = *h.sheet;
        sheet.setCategory(category);
        sheet.subjectField()->setText(QStringLiteral("Тема"));
        sheet.messageEditor()->setPlainText(QStringLiteral("Текст обращения"));
        sheet.contactField()->setText(QStringLiteral("ivan@service.example"));
        h.fillSupplierFields();
        const QStringList typed = h.supplierFieldTexts();

        // A failure shows the service's words and keeps everything typed.
        SandboxBehaviour unavailable;
        unavailable.fault = SandboxBehaviour::Fault::status;
        unavailable.status = 503;
        h.sandbox.setBehaviour(ServiceEndpoints::Service::feedback, unavailable);
        sheet.submit();
        QTRY_VERIFY(!sheet.isSubmitting());
        QCOMPARE(sheet.status(), QStringLiteral("Ошибка сервера 503: simulated failure"));
        QCOMPARE(sheet.messageEditor()->toPlainText(), QStringLiteral("Текст обращения"));
        QCOMPARE(h.supplierFieldTexts(), typed);
        QVERIFY(sheet.sendButton()->isEnabled());

        h.sandbox.setBehaviour(ServiceEndpoints::Service::feedback, {});
        QTest::mouseClick(sheet.sendButton(), Qt::LeftButton);
        QVERIFY(!sheet.sendButton()->isEnabled());
        // A second press while sending sends nothing more.
        sheet.submit();
        QTRY_VERIFY(!sheet.isSubmitting());

        QCOMPARE(sheet.status(), QStringLiteral("Обращение отправлено. № FB-000123"));
        QCOMPARE(h.sandbox.requests().size(), 2);
        QVERIFY(sheet.sendButton()->isEnabled());
        QVERIFY(sheet.subjectField()->text().isEmpty() && sheet.messageEditor()->toPlainText().isEmpty());
        QCOMPARE(sheet.category(), category);
        QCOMPARE(sheet.contactField()->text(), QStringLiteral("ivan@service.example"));
        const QStringList cleared{QString(), QString(), QString(), QStringLiteral("no"),
                                  QString(), QString(), QString()};
        QCOMPARE(h.supplierFieldTexts(), supplierFieldsCleared ? cleared : typed);
    }

    void lateAnswer_leavesAClosedSheetAlone() {
        GatedTransport transport;
        QPointer<FeedbackSheet> closed = new FeedbackSheet(transport);
        closed->setAttribute(Qt::WA_DeleteOnClose);
        FeedbackSheet open(transport);
        for (FeedbackSheet* sheet : {closed.data(), &open}) {
            sheet->show();
            sheet->messageEditor()->setPlainText(QStringLiteral("Текст"));
            sheet->submit();
        }
        QCOMPARE(transport.started, 2);
        QTest::keyClick(closed.data(), Qt::Key_Escape);
        QTRY_VERIFY(!closed);

        Q_EMIT transport.open();
        QTRY_COMPARE(transport.answered, 2);
        QTRY_COMPARE(open.status(), QStringLiteral("Обращение отправлено. № FB-000777"));
    }

    void withoutAddress_saysSoAndCopiesTheText() {
        QNetworkAccessManager network;
        HTTPFeedbackTransport transport(network, QUrl());
        FeedbackSheet sheet(transport);
        sheet.show();
        const QString noAddress =
            QStringLiteral("Адрес службы обратной связи не настроен в этой сборке. Скопируйте текст "
                           "обращения и отправьте его другим способом.");
        QCOMPARE(sheet.status(), noAddress);
        QVERIFY(sheet.copyButton()->isVisibleTo(&sheet));

        // Refusals still come first; then the sheet says again why nothing goes out.
        sheet.submit();
        QCOMPARE(sheet.status(), QStringLiteral("Введите сообщение."));
        sheet.messageEditor()->setPlainText(QStringLiteral("Цена не пересчитывается"));
        sheet.submit();
        QCOMPARE(sheet.status(), noAddress);
        QVERIFY(!sheet.isSubmitting());

        QTest::mouseClick(sheet.copyButton(), Qt::LeftButton);
        QVERIFY(QApplication::clipboard()->text().contains(QStringLiteral("Цена не пересчитывается")));
        QVERIFY(QApplication::clipboard()->text().contains(QStringLiteral("Категория: Предложить улучшение")));

        // Esc closes the sheet also from inside the message editor.
        QTest::keyClick(sheet.messageEditor(), Qt::Key_Escape);
        QVERIFY(!sheet.isVisible());
    }
};

QTEST_MAIN(FeedbackSheetTest)
#include "tst_FeedbackSheet.moc"
