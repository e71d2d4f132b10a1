#include "SettingsSheet.h"

#include "AutoEuroSettingsSheet.h"
#include "AutoligaSettingsSheet.h"
#include "AutopiterSettingsSheet.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "offertable/CopiedNumber.h"
#include "offertable/PriceDisplay.h"
#include "search/SearchHistory.h"
#include "SettingsWidgets.h"

#include <QCheckBox>
#include <QDoubleValidator>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString kIDs[3] = {QStringLiteral("autoeuro"), QStringLiteral("autopiter"), QStringLiteral("autoliga")};

int indexOf(const QString& supplierID) {
    for (int i = 0; i < 3; ++i) {
        if (kIDs[i] == supplierID)
            return i;
    }
    return -1;
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
    const QString switchTitles[3] = {QStringLiteral("Использовать AutoEuro в поиске"),
                                     QStringLiteral("Использовать Autopiter в поиске"),
                                     QStringLiteral("Использовать Автолигу в поиске")};
    const QString rowTitles[3] = {QStringLiteral("AutoEuro"), QStringLiteral("Autopiter"), QStringLiteral("Автолига")};
    SupplierPreferences& preferences = m_services.preferences;
    for (int i = 0; i < 3; ++i) {
        m_switches[i] = new QCheckBox(switchTitles[i], suppliers);
        m_switches[i]->setObjectName(QStringLiteral("switch-") + kIDs[i]);
        m_switches[i]->setChecked(preferences.isEnabled(kIDs[i]));
        connect(m_switches[i], &QCheckBox::toggled, this,
                [&preferences, id = kIDs[i]](bool on) { preferences.setEnabled(id, on); });
        suppliersLayout->addWidget(m_switches[i]);
    }
    // Switches and the markup changed elsewhere (orelia-cli, another window) show here; a markup
    // being typed is left alone.
    const auto showStored = [this, &preferences] {
        for (int i = 0; i < 3; ++i) {
            const QSignalBlocker quiet(m_switches[i]);
            m_switches[i]->setChecked(preferences.isEnabled(kIDs[i]));
        }
        if (!m_markup->hasFocus())
            m_markup->setText(markupText(PriceDisplay::storedMarkupPercent(m_services.defaults), locale()));
    };
    for (auto changed : {&SupplierPreferences::autoEuroEnabledChanged, &SupplierPreferences::autopiterEnabledChanged,
                         &SupplierPreferences::autoligaEnabledChanged})
        connect(&preferences, changed, this, showStored);
    connect(&m_services.defaults.notifier(), &UserDefaultsNotifier::changedElsewhere, this, showStored);
    for (int i = 0; i < 3; ++i) {
        m_rows[i] = new QPushButton(rowTitles[i] + QStringLiteral("   ›"), suppliers);
        m_rows[i]->setObjectName(QStringLiteral("row-") + kIDs[i]);
        m_rows[i]->setFlat(true);
        m_rows[i]->setAutoDefault(false);
        m_rows[i]->setStyleSheet(QStringLiteral("text-align: left; padding: 6px;"));
        connect(m_rows[i], &QPushButton::clicked, this, [this, id = kIDs[i]] { openSubSheet(id); });
        suppliersLayout->addWidget(m_rows[i]);
    }
    layout->addWidget(suppliers);

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
    const int i = indexOf(supplierID);
    return i < 0 ? nullptr : m_switches[i];
}

QPushButton* SettingsSheet::supplierRow(const QString& supplierID) const {
    const int i = indexOf(supplierID);
    return i < 0 ? nullptr : m_rows[i];
}

void SettingsSheet::openSubSheet(const QString& supplierID) {
    QDialog* sheet = nullptr;
    if (supplierID == u"autoeuro")
        sheet = new AutoEuroSettingsSheet(m_services, this);
    else if (supplierID == u"autopiter")
        sheet = new AutopiterSettingsSheet(m_services, this);
    else
        sheet = new AutoligaSettingsSheet(m_services, this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    m_subSheet = sheet;
    connect(sheet, &QObject::destroyed, this, [this, sheet] {
        if (m_subSheet == sheet)
            m_subSheet = nullptr;
    });
    sheet->open();
}
