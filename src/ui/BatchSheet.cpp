#include "BatchSheet.h"

#include "batch/BatchPricer.h"
#include "batch/ListFile.h"
#include "BatchResultModel.h"
#include "core/UserDefaults.h"
#include "export/TableExport.h"
#include "ExportDialog.h"
#include "offertable/PriceDisplay.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QLabel* boldLabel(const QString& text, QWidget* parent, double scale = 1.0) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * scale);
    label->setFont(font);
    return label;
}

QPushButton* button(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    return b;
}

} // namespace

BatchSheet::BatchSheet(BatchPricer& pricer, UserDefaults& defaults, CartStore& cart, QWidget* parent)
    : QDialog(parent)
    , m_pricer(pricer)
    , m_defaults(defaults)
    , m_cart(cart) {
    setWindowTitle(QStringLiteral("Проценка списка"));
    setObjectName(QStringLiteral("batchSheet"));
    if (parent)
        resize(std::min(1500, parent->width() - 40), std::max(560, parent->height() - 60));
    else
        resize(1100, 700);

    auto* layout = new QVBoxLayout(this);
    auto* header = new QHBoxLayout();
    header->addWidget(boldLabel(QStringLiteral("Проценка списка"), this, 1.3));
    header->addStretch();
    auto* close = button(QStringLiteral("Закрыть"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    header->addWidget(close);
    layout->addLayout(header);

    m_input = new QPlainTextEdit(this);
    m_input->setObjectName(QStringLiteral("batchInput"));
    m_input->setAccessibleName(QStringLiteral("Список артикулов"));
    m_input->setPlaceholderText(
        QStringLiteral("Вставьте список: по детали в строке — артикул, производитель (необязательно) и количество,\n"
                       "через табуляцию, «;» или «,». Например:\nOC 90;KNECHT;2\nW 712/75;;1"));
    m_input->setTabChangesFocus(true);
    m_input->setFixedHeight(m_input->fontMetrics().lineSpacing() * 6 + 12);
    m_input->setPlainText(m_pricer.inputText());
    connect(m_input, &QPlainTextEdit::textChanged, this, [this] { m_pricer.setInputText(m_input->toPlainText()); });
    layout->addWidget(m_input);

    auto* controls = new QHBoxLayout();
    m_openFile = button(QStringLiteral("Открыть файл…"), this);
    m_openFile->setToolTip(QStringLiteral("Список в файле .txt или .csv или в книге .xlsx, .ods, .xls (первый лист)"));
    connect(m_openFile, &QPushButton::clicked, this, &BatchSheet::chooseFile);
    m_start = button(QStringLiteral("Проценить"), this);
    // Not the default button: Enter in the result chooses an offer, it must not price the list anew.
    connect(m_start, &QPushButton::clicked, this, &BatchSheet::startPricing);
    controls->addWidget(m_openFile);
    controls->addStretch();
    controls->addWidget(m_start);
    layout->addLayout(controls);

    // How each line's offer is chosen; a change applies at once to what was found.
    auto* choice = new QHBoxLayout();
    m_rule = new QComboBox(this);
    for (const auto r : {BestOfferRule::cheapest, BestOfferRule::fastest, BestOfferRule::lowestRisk})
        m_rule->addItem(BestOfferRules::title(r), static_cast<int>(r));
    m_maxDays = new QLineEdit(this);
    m_maxDays->setObjectName(QStringLiteral("batchMaxDays"));
    m_maxDays->setAccessibleName(QStringLiteral("Доставка не дольше, дней"));
    m_maxDays->setValidator(new QIntValidator(0, 365, m_maxDays));
    m_maxDays->setPlaceholderText(QStringLiteral("—"));
    m_maxDays->setFixedWidth(m_maxDays->fontMetrics().horizontalAdvance(QStringLiteral("3650")) + 16);
    m_maxDays->setAlignment(Qt::AlignRight);
    m_maxDays->setToolTip(QStringLiteral("Пусто — без ограничения. Предложения с неизвестным сроком не выбираются."));
    m_enoughStock = new QCheckBox(QStringLiteral("в наличии не меньше нужного количества"), this);
    m_enoughStock->setToolTip(QStringLiteral("Только предложения, где остаток известен и покрывает количество строки"));
    m_analogues = new QCheckBox(QStringLiteral("Разрешить аналоги"), this);
    m_analogues->setToolTip(QStringLiteral("Аналог выбирается, только когда нет предложений искомого артикула "
                                           "(и производителя, если он указан); он отмечен в результате и в корзине"));
    choice->addWidget(new QLabel(QStringLiteral("Лучшее предложение:"), this));
    choice->addWidget(m_rule);
    choice->addSpacing(8);
    choice->addWidget(new QLabel(QStringLiteral("не дольше"), this));
    choice->addWidget(m_maxDays);
    choice->addWidget(new QLabel(QStringLiteral("дн."), this));
    choice->addSpacing(8);
    choice->addWidget(m_enoughStock);
    choice->addSpacing(8);
    choice->addWidget(m_analogues);
    choice->addStretch();
    layout->addLayout(choice);
    showChoice(m_pricer.choice());
    connect(m_rule, &QComboBox::currentIndexChanged, this, &BatchSheet::choiceChanged);
    connect(m_maxDays, &QLineEdit::textChanged, this, &BatchSheet::choiceChanged);
    connect(m_enoughStock, &QCheckBox::toggled, this, &BatchSheet::choiceChanged);
    connect(m_analogues, &QCheckBox::toggled, this, &BatchSheet::choiceChanged);

    m_issues = new QLabel(this);
    m_issues->setObjectName(QStringLiteral("batchIssues"));
    m_issues->setWordWrap(true);
    m_issues->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_issues->setStyleSheet(QStringLiteral("color: #c83c28;"));
    layout->addWidget(m_issues);

    auto* progressRow = new QHBoxLayout();
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(true);
    m_cancel = button(QStringLiteral("Отменить"), this);
    m_cancel->setToolTip(QStringLiteral("Не начинать новые строки; те, что уже ищутся, закончатся"));
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_pricer.cancel();
        refresh();
    });
    m_remaining = button(QStringLiteral("Проценить остальные"), this);
    m_remaining->setToolTip(QStringLiteral("Проценить строки, до которых проценка не дошла; найденное остаётся"));
    connect(m_remaining, &QPushButton::clicked, this, [this] { m_pricer.startRemaining(); });
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_cancel);
    progressRow->addWidget(m_remaining);
    layout->addLayout(progressRow);

    m_model = new BatchResultModel(this);
    m_view = new QTreeView(this);
    m_view->setAccessibleName(QStringLiteral("Результат проценки"));
    m_view->setModel(m_model);
    m_view->setAlternatingRowColors(true);
    m_view->setUniformRowHeights(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_view->setToolTip(QString());
    // One click (or Enter) on an offer under a line chooses it.
    connect(m_view, &QTreeView::clicked, this, &BatchSheet::offerActivated);
    connect(m_view, &QTreeView::activated, this, &BatchSheet::offerActivated);
    layout->addWidget(m_view, 1);

    m_totals = new QLabel(this);
    m_totals->setObjectName(QStringLiteral("batchTotals"));
    m_totals->setTextFormat(Qt::RichText);
    m_totals->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_totals->setWordWrap(true);
    layout->addWidget(m_totals);

    auto* actions = new QHBoxLayout();
    m_toCart = button(QStringLiteral("Добавить в корзину"), this);
    m_toCart->setToolTip(QStringLiteral("Выбранные предложения всех строк — с количеством из списка"));
    connect(m_toCart, &QPushButton::clicked, this, &BatchSheet::addToCart);
    m_export = button(QStringLiteral("Экспорт…"), this);
    m_export->setToolTip(QStringLiteral("Сохранить результат в книгу Excel или CSV"));
    connect(m_export, &QPushButton::clicked, this, &BatchSheet::chooseExportFile);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("batchMessage"));
    m_message->setForegroundRole(QPalette::PlaceholderText);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    actions->addWidget(m_toCart);
    actions->addWidget(m_export);
    actions->addWidget(m_message, 1);
    layout->addLayout(actions);

    for (auto signal : {&BatchPricer::lineStarted, &BatchPricer::lineFinished})
        connect(&m_pricer, signal, this, &BatchSheet::refresh);
    connect(&m_pricer, &BatchPricer::runStarted, this, &BatchSheet::refresh);
    connect(&m_pricer, &BatchPricer::runFinished, this, &BatchSheet::refresh);
    refresh();
    // Wide enough for the usual values of a list line before any line has been priced; the name
    // gets room for a usual part name, the note takes what is left.
    const QString widest[] = {QStringLiteral("99"),
                              QStringLiteral("W 712/75 · MANN"),
                              QStringLiteral("Кол-во"),
                              QStringLiteral("Скрыто по риску"),
                              QStringLiteral("MANN-FILTER"),
                              QStringLiteral("0 451 103 079"),
                              QStringLiteral("Фильтр масляный двигателя"),
                              QStringLiteral("9999,99 руб."),
                              QStringLiteral("99999,99 руб."),
                              QStringLiteral("99 дн."),
                              QStringLiteral("Остаток"),
                              QStringLiteral("Autopiter"),
                              QString()};
    const QFontMetrics metrics(m_view->font());
    m_view->header()->setStretchLastSection(true);
    for (int c = 0; c < BatchResultModel::note; ++c)
        m_view->setColumnWidth(c, std::max(metrics.horizontalAdvance(widest[c]),
                                           metrics.horizontalAdvance(BatchResultModel::columnTitle(c))) +
                                      16);
    m_view->setColumnWidth(BatchResultModel::line, metrics.horizontalAdvance(widest[0]) + m_view->indentation() + 12);
}

const BatchReport& BatchSheet::report() const {
    return m_model->report();
}

void BatchSheet::showChoice(const BatchChoice& choice) {
    m_rule->setCurrentIndex(std::max(0, m_rule->findData(static_cast<int>(choice.rule))));
    m_maxDays->setText(choice.maxDeliveryDays ? QString::number(*choice.maxDeliveryDays) : QString());
    m_enoughStock->setChecked(choice.enoughStockOnly);
    m_analogues->setChecked(choice.analoguesAllowed);
}

void BatchSheet::choiceChanged() {
    BatchChoice choice;
    choice.rule = static_cast<BestOfferRule>(m_rule->currentData().toInt());
    bool ok = false;
    const int days = m_maxDays->text().toInt(&ok);
    if (ok)
        choice.maxDeliveryDays = days;
    choice.enoughStockOnly = m_enoughStock->isChecked();
    choice.analoguesAllowed = m_analogues->isChecked();
    m_pricer.setChoice(choice);
    refresh();
}

void BatchSheet::startPricing() {
    if (m_pricer.isRunning())
        return;
    const BatchInput input = BatchInput::parse(m_input->toPlainText());
    QStringList issues;
    for (const BatchInputIssue& issue : input.issues)
        issues.append(issue.text());
    if (input.lines.isEmpty())
        issues.append(QStringLiteral("В списке нет ни одного артикула."));
    m_issues->setText(issues.join(u'\n'));
    if (input.lines.isEmpty()) {
        refresh();
        return;
    }
    m_message->clear();
    m_pricer.start(input.lines);
}

void BatchSheet::refresh() {
    const QDateTime now = QDateTime::currentDateTime();
    const double markup = PriceDisplay::storedMarkupPercent(m_defaults);
    m_model->setReport(BatchReport::evaluate(m_pricer.results(), m_pricer.choice(),
                                             storedOfferTableSettings(m_defaults), markup, now,
                                             m_pricer.chosenOffers()),
                       now);
    const BatchReport& r = report();
    const bool running = m_pricer.isRunning();
    const bool any = m_pricer.total() > 0;
    m_progress->setVisible(any);
    m_progress->setRange(0, std::max(1, m_pricer.total()));
    m_progress->setValue(m_pricer.finishedCount());
    m_progress->setFormat(BatchPricer::progressText(m_pricer.finishedCount(), m_pricer.total()));
    m_cancel->setVisible(running);
    m_cancel->setEnabled(running && !m_pricer.wasCancelled());
    m_remaining->setVisible(m_pricer.hasRemaining());
    m_start->setEnabled(!running);
    m_input->setReadOnly(running);
    m_openFile->setEnabled(!running);
    m_toCart->setEnabled(r.pricedLines > 0);
    m_export->setEnabled(any);

    if (!any) {
        m_totals->clear();
        return;
    }
    const bool marked = PriceDisplay::shownPrice(Decimal(100), markup) != Decimal(100);
    const auto purchase = [marked](const Decimal& amount) {
        return marked ? QStringLiteral(" (закупка %1)").arg(BatchReport::money(amount)) : QString();
    };
    QStringList suppliers;
    for (const BatchSupplierTotal& s : r.suppliers)
        suppliers.append(QStringLiteral("%1: строк %2, %3%4")
                             .arg(s.supplierName.toHtmlEscaped())
                             .arg(s.lines)
                             .arg(BatchReport::money(s.total), purchase(s.purchaseTotal)));
    QString text;
    if (!suppliers.isEmpty())
        text +=
            QStringLiteral("Итого по поставщикам — ") + suppliers.join(QStringLiteral(" · ")) + QStringLiteral("<br>");
    text += QStringLiteral("<b>Всего: проценено %1 из %2 строк, %3</b>%4")
                .arg(r.pricedLines)
                .arg(r.rows.size())
                .arg(BatchReport::money(r.total), purchase(r.purchaseTotal));
    if (m_pricer.wasCancelled())
        text += QStringLiteral(" · проценка остановлена");
    m_totals->setText(text);
}

void BatchSheet::offerActivated(const QModelIndex& index) {
    if (!index.isValid() || !index.parent().isValid())
        return;
    const int line = BatchResultModel::lineOf(index);
    if (line < 0 || line >= report().rows.size())
        return;
    const BatchRow& row = report().rows[line];
    const QString id = index.data(BatchResultModel::OfferIDRole).toString();
    const QString key = BatchChoice::lineKey(row.result.line);
    // Choosing the offer the list's rule picks gives the line back to the rule.
    const auto byRule =
        report().choice.choose(row.all, row.result.line, row.askedArticle, QDateTime::currentDateTime()).offer;
    if (byRule && byRule->id() == id)
        m_pricer.chosenOffers().remove(key);
    else
        m_pricer.chosenOffers().insert(key, id);
    refresh();
}

bool BatchSheet::loadFile(const QString& path) {
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly)) {
        m_issues->setText(QStringLiteral("Не удалось открыть %1: %2").arg(name, file.errorString()));
        return false;
    }
    const QByteArray bytes = file.read(ListFile::maxFileBytes + 1);
    if (bytes.size() > ListFile::maxFileBytes) {
        m_issues->setText(QStringLiteral("Файл %1 слишком большой для списка деталей.").arg(name));
        return false;
    }
    const ListFile list = ListFile::read(bytes);
    if (!list.error.isEmpty()) {
        m_issues->setText(list.error);
        return false;
    }
    m_input->setPlainText(list.text);
    m_issues->clear();
    m_message->setText(list.note);
    return true;
}

void BatchSheet::chooseFile() {
    auto* dialog = new QFileDialog(this, QStringLiteral("Открыть список"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(
        {QStringLiteral("Списки (*.txt *.csv *.xlsx *.ods *.xls)"), QStringLiteral("Все файлы (*)")});
    QPointer<BatchSheet> self(this);
    connect(dialog, &QFileDialog::fileSelected, this, [self](const QString& path) {
        if (self)
            self->loadFile(path);
    });
    dialog->open();
}

void BatchSheet::addToCart() {
    const BatchReport::CartOutcome outcome = report().addToCart(m_cart);
    QString text = QStringLiteral("Добавлено в корзину: %1").arg(outcome.added);
    if (outcome.updated > 0)
        text += QStringLiteral(" · уже были в корзине, количество из списка: %1").arg(outcome.updated);
    m_message->setText(text);
}

std::optional<QString> BatchSheet::exportTo(const QString& path) const {
    return TableExport::save(report().exportTables(QDateTime::currentDateTime()), path);
}

void BatchSheet::chooseExportFile() {
    QPointer<BatchSheet> self(this);
    ExportDialog::save(this, ExportDialog::suggestedName(QStringLiteral("проценка"), QDate::currentDate()),
                       report().exportTables(QDateTime::currentDateTime()), [self](const QString& message) {
                           if (self)
                               self->m_message->setText(message);
                       });
}
