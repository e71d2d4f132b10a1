#include "MainWindow.h"

#include "ContentView.h"
#include "OfferTableModel.h"
#include "search/SearchViewModel.h"
#include "WindowAccessibility.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kHeaderHeight = 30;
constexpr int kHeaderMaxWidth = 760;

} // namespace

QString MainWindow::windowTitleText() {
    return productName() + u' ' + tagLine();
}

MainWindow::MainWindow(SupplierPreferences& preferences, SearchConnectorFactory& connectors, UserDefaults& defaults,
                       CartStore& cart, QWidget* parent)
    : QMainWindow(parent)
    , m_viewModel(new SearchViewModel(preferences, connectors, this)) {
    setWindowTitle(windowTitleText());
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeHeader());
    m_content = new ContentView(*m_viewModel, defaults, cart, central);
    m_content->tableModel()->setCopySettings(&defaults);
    WindowAccessibility::apply(*m_content);
    layout->addWidget(m_content, 1);
    setCentralWidget(central);
    resize(1280, 800);
    // The width is the content's own minimum: every table column and the cart column fit.
    setMinimumHeight(420);
    m_content->focusSearchField();
}

MainWindow::~MainWindow() = default;

// Desktops here have no title-bar accessories, so the two-part title stands at the top of
// the window: the product name one point larger and bold, the tag line one point smaller.
QWidget* MainWindow::makeHeader() {
    auto* header = new QWidget(this);
    m_title = new QLabel(header);
    const QFont base = font();
    const QString html = QStringLiteral("<span style=\"font-size:%1pt; font-weight:700;\">%2</span>"
                                        "<span style=\"font-size:%3pt;\">&nbsp;&nbsp;%4</span>")
                             .arg(base.pointSizeF() + 1)
                             .arg(productName().toHtmlEscaped())
                             .arg(base.pointSizeF() - 1)
                             .arg(tagLine().toHtmlEscaped());
    m_title->setTextFormat(Qt::RichText);
    m_title->setText(html);
    m_title->setMaximumWidth(kHeaderMaxWidth);
    m_title->setTextInteractionFlags(Qt::NoTextInteraction);

    m_demoMark = new QLabel(QStringLiteral("Демо-режим"), header);
    QFont small = m_demoMark->font();
    small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1.5));
    m_demoMark->setFont(small);
    m_demoMark->setForegroundRole(QPalette::PlaceholderText);
    m_demoMark->setToolTip(QStringLiteral("Orelia работает с учебными поставщиками; ваши настройки не затронуты"));
    m_demoMark->setStyleSheet(QStringLiteral("QLabel { background: rgba(230, 150, 0, 38); border-radius: 8px; "
                                             "padding: 1px 8px; }"));
    m_demoMark->hide();

    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(14, 4, 14, 0);
    layout->addWidget(m_title);
    layout->addStretch(1);
    layout->addWidget(m_demoMark);
    header->setFixedHeight(kHeaderHeight);
    return header;
}

void MainWindow::setDemoMode(bool demo) {
    m_demoMark->setVisible(demo);
}

bool MainWindow::isDemoMode() const {
    return !m_demoMark->isHidden();
}
