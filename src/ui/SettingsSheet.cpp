#include "SettingsSheet.h"

#include "AccountSettingsSheet.h"
#include "AutoEuroSettingsSheet.h"
#include "AutoligaSettingsSheet.h"
#include "AutopiterSettingsSheet.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "offertable/CopiedNumber.h"
#include "offertable/PriceDisplay.h"
#include "search/SearchHistory.h"
#include "SettingsWidgets.h"
#include "SupplierColors.h"
#include "suppliers/SupplierPlatforms.h"

#include <QCheckBox>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

namespace {

struct Row {
    QString id;
    QString name;
    QString switchText;
    // The platform, for a supplier the buyer added.
    QString platform;
};

// A dot of the supplier's colour before its name.
QIcon colourDot(const QColor& colour) {
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(1, 1, 10, 10);
    return QIcon(pixmap);
}

} // namespace

SettingsSheet::SettingsSheet(SettingsServices services, QWidget* parent)
    : QDialog(parent)
    , m_services(std::move(services)) {
    setWindowTitle(QStringLiteral("Настройки"));
    setMinimumWidth(480);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(SettingsWidgets::header(this, QStringLiteral("Настройки")));

    auto* price = new QGroupBox(QStringLiteral("Цена"), this);
    auto* priceLayout = new QVBoxLayout(price);
    auto* markupRow = new QHBoxLayout();
    m_markup = new QLineEdit(price);
    m_markup->setObjectName(QStringLiteral("markup"));
    m_markup->setFixedWidth(70);
    m_markup->setAlignment(Qt::AlignRight);
    auto* validator = new QDoubleValidator(0, 1000, 2, m_markup);
    validator->setNotation(QDoubleValidator::StandardNotation);
    m_markup->setValidator(validator);
    m_markup->setText(markupText(PriceDisplay::storedMarkupPercent(m_services.defaults), locale()));
    markupRow->addWidget(new QLabel(QStringLiteral("Наценка"), price));
    markupRow->addWidget(m_markup);
    markupRow->addWidget(new QLabel(QStringLiteral("%"), price));
    markupRow->addStretch();
    priceLayout->addLayout(markupRow);
    auto* rounding = new QLabel(QStringLiteral("Округление вверх до 50 руб."), price);
    rounding->setForegroundRole(QPalette::PlaceholderText);
    priceLayout->addWidget(rounding);
    // Copied prices and risks take the locale's decimal mark, which a spreadsheet of the buyer's
    // locale reads as a number; other programs may want the point.
    m_copyWithPoint = new QCheckBox(QStringLiteral("Копировать числа с точкой"), price);
    m_copyWithPoint->setObjectName(QStringLiteral("copyWithPoint"));
    m_copyWithPoint->setChecked(CopiedNumber::storedWithPoint(m_services.defaults));
    m_copyWithPoint->setToolTip(
        QStringLiteral("Включено: цены и риск копируются с точкой (197.13) — для сайтов и других программ.\n"
                       "Выключено: с десятичным знаком вашей системы (%1) — так их читает таблица.")
            .arg(CopiedNumber::withMark(QStringLiteral("197.13"), CopiedNumber::decimalMark(false))));
    connect(m_copyWithPoint, &QCheckBox::toggled, this,
            [this](bool on) { CopiedNumber::storeWithPoint(m_services.defaults, on); });
    priceLayout->addWidget(m_copyWithPoint);
    layout->addWidget(price);
    connect(m_markup, &QLineEdit::textEdited, this, [this](const QString& text) {
        bool ok = false;
        const double value = text.trimmed().isEmpty() ? 0.0 : locale().toDouble(text.trimmed(), &ok);
        if (!text.trimmed().isEmpty() && (!ok || !std::isfinite(value) || value < 0))
            return;
        m_services.defaults.setDouble(UserDefaultsKeys::markupPercent, value);
        Q_EMIT markupChanged(value);
    });

    auto* suppliers = new QGroupBox(QStringLiteral("Поставщики"), this);
    auto* suppliersLayout = new QVBoxLayout(suppliers);
    m_supplierRows = new QWidget(suppliers);
    new QGridLayout(m_supplierRows);
    m_supplierRows->layout()->setContentsMargins(0, 0, 0, 0);
    suppliersLayout->addWidget(m_supplierRows);
    m_addSupplier = new QPushButton(QStringLiteral("Добавить поставщика…"), suppliers);
    m_addSupplier->setObjectName(QStringLiteral("addSupplier"));
    m_addSupplier->setAutoDefault(false);
    connect(m_addSupplier, &QPushButton::clicked, this, [this] { openSubSheet(QString()); });
    suppliersLayout->addWidget(m_addSupplier, 0, Qt::AlignLeft);
    layout->addWidget(suppliers);
    showSuppliers();

    SupplierPreferences& preferences = m_services.preferences;
    // Switches and the markup changed elsewhere (orelia-cli, another window) show here; a markup
    // being typed is left alone.
    const auto showStored = [this] {
        showSuppliers();
        if (!m_markup->hasFocus())
            m_markup->setText(markupText(PriceDisplay::storedMarkupPercent(m_services.defaults), locale()));
    };
    for (auto changed : {&SupplierPreferences::autoEuroEnabledChanged, &SupplierPreferences::autopiterEnabledChanged,
                         &SupplierPreferences::autoligaEnabledChanged})
        connect(&preferences, changed, this, showStored);
    connect(&preferences.accounts(), &SupplierAccounts::changed, this, &SettingsSheet::showSuppliers);
    connect(&m_services.defaults.notifier(), &UserDefaultsNotifier::changedElsewhere, this, showStored);

    // The history stays on this computer; clearing it is the user's call alone.
    auto* history = new QGroupBox(QStringLiteral("История поиска"), this);
    auto* historyLayout = new QHBoxLayout(history);
    m_historyCount = new QLabel(history);
    m_historyCount->setForegroundRole(QPalette::PlaceholderText);
    m_clearHistory = new QPushButton(QStringLiteral("Очистить историю"), history);
    m_clearHistory->setAutoDefault(false);
    connect(m_clearHistory, &QPushButton::clicked, this, [this] {
        SearchHistory(m_services.defaults).clear();
        showHistoryCount();
    });
    historyLayout->addWidget(m_historyCount, 1);
    historyLayout->addWidget(m_clearHistory);
    layout->addWidget(history);
    showHistoryCount();
    layout->addStretch();
}

void SettingsSheet::showHistoryCount() {
    const qsizetype count = SearchHistory(m_services.defaults).entries().size();
    m_historyCount->setText(
        count > 0 ? QStringLiteral("Недавних артикулов: %1 (хранятся только на этом компьютере)").arg(count)
                  : QStringLiteral("История пуста"));
    m_clearHistory->setEnabled(count > 0);
}

QString SettingsSheet::markupText(double percent, const QLocale& locale) {
    QString text = locale.toString(percent, 'f', 2);
    const QString point = locale.decimalPoint();
    if (text.contains(point)) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(point))
            text.chop(point.size());
    }
    return text;
}

QCheckBox* SettingsSheet::supplierSwitch(const QString& supplierID) const {
    return m_switches.value(supplierID);
}

QPushButton* SettingsSheet::supplierRow(const QString& supplierID) const {
    return m_rows.value(supplierID);
}

void SettingsSheet::showSuppliers() {
    QList<Row> rows = {{QStringLiteral("autoeuro"), QStringLiteral("AutoEuro"),
                        QStringLiteral("Использовать AutoEuro в поиске"), QString()},
                       {QStringLiteral("autopiter"), QStringLiteral("Autopiter"),
                        QStringLiteral("Использовать Autopiter в поиске"), QString()},
                       {QStringLiteral("autoliga"), QStringLiteral("Автолига"),
                        QStringLiteral("Использовать Автолигу в поиске"), QString()}};
    for (const SupplierAccount& account : m_services.preferences.accounts().all()) {
        const SupplierPlatform* platform = m_services.platforms.of(account);
        QString kind = platform ? platform->title() : account.platform;
        if (!account.provider.isEmpty())
            kind += QStringLiteral(" · ") + account.provider;
        rows.append({account.id, account.name, QStringLiteral("Использовать «%1» в поиске").arg(account.name), kind});
    }
    QStringList shown;
    for (const Row& row : rows)
        shown << row.id << row.name << row.platform;
    if (shown == m_shown) {
        showSwitches();
        return;
    }
    m_shown = shown;
    // The old rows go once their own signal (a click that renamed the supplier) has returned.
    for (QWidget* old : m_supplierRows->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        old->hide();
        old->deleteLater();
    }
    m_switches.clear();
    m_rows.clear();
    auto* grid = static_cast<QGridLayout*>(m_supplierRows->layout());
    while (QLayoutItem* item = grid->takeAt(0))
        delete item;
    int line = 0;
    for (const Row& row : rows) {
        auto* open = new QPushButton(row.name + QStringLiteral("   ›"), m_supplierRows);
        open->setObjectName(QStringLiteral("row-") + row.id);
        open->setFlat(true);
        open->setAutoDefault(false);
        open->setStyleSheet(QStringLiteral("text-align: left; padding: 6px;"));
        open->setIcon(colourDot(supplierQColor(m_services.preferences.accounts().color(row.id), palette())));
        connect(open, &QPushButton::clicked, this, [this, id = row.id] { openSubSheet(id); });
        auto* kind = new QLabel(row.platform, m_supplierRows);
        kind->setForegroundRole(QPalette::PlaceholderText);
        auto* toggle = new QCheckBox(row.switchText, m_supplierRows);
        toggle->setObjectName(QStringLiteral("switch-") + row.id);
        connect(toggle, &QCheckBox::toggled, this,
                [this, id = row.id](bool on) { m_services.preferences.setEnabled(id, on); });
        grid->addWidget(open, line, 0);
        grid->addWidget(kind, line, 1);
        grid->addWidget(toggle, line, 2);
        m_switches.insert(row.id, toggle);
        m_rows.insert(row.id, open);
        ++line;
    }
    grid->setColumnStretch(1, 1);
    showSwitches();
}

void SettingsSheet::showSwitches() {
    for (auto it = m_switches.cbegin(); it != m_switches.cend(); ++it) {
        const QSignalBlocker quiet(it.value());
        it.value()->setChecked(m_services.preferences.isEnabled(it.key()));
    }
}

void SettingsSheet::openSubSheet(const QString& supplierID) {
    QDialog* sheet = nullptr;
    if (supplierID == u"autoeuro")
        sheet = new AutoEuroSettingsSheet(m_services, this);
    else if (supplierID == u"autopiter")
        sheet = new AutopiterSettingsSheet(m_services, this);
    else if (supplierID == u"autoliga")
        sheet = new AutoligaSettingsSheet(m_services, this);
    else
        sheet = new AccountSettingsSheet(m_services, m_services.preferences.accounts().find(supplierID), this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    m_subSheet = sheet;
    connect(sheet, &QObject::destroyed, this, [this, sheet] {
        if (m_subSheet == sheet)
            m_subSheet = nullptr;
    });
    sheet->open();
}
