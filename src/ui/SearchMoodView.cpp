#include "SearchMoodView.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr qreal kBubbleRadius = 10.0;
constexpr qreal kTailWidth = 9.0;
constexpr int kPaddingH = 12;
constexpr int kPaddingV = 6;

} // namespace

QPainterPath SpeechTail::path(const QRectF& bubble) {
    // A curved wedge leaving the bubble's left side near its bottom.
    QPainterPath tail;
    const qreal baseTop = bubble.bottom() - bubble.height() * 0.55;
    const qreal baseBottom = bubble.bottom() - 3.0;
    const QPointF tip(bubble.left() - kTailWidth, bubble.bottom());
    tail.moveTo(bubble.left() + 2.0, baseTop);
    tail.quadTo(QPointF(bubble.left() - 1.0, baseBottom - 2.0), tip);
    tail.quadTo(QPointF(bubble.left() + 2.0, bubble.bottom() - 1.0), QPointF(bubble.left() + 6.0, baseBottom));
    tail.closeSubpath();
    return tail;
}

SearchMoodView::SearchMoodView(QWidget* parent)
    : QWidget(parent) {
    m_phraseTimer.setInterval(phraseIntervalMs);
    m_dotTimer.setInterval(dotIntervalMs);
    connect(&m_phraseTimer, &QTimer::timeout, this, &SearchMoodView::advancePhrase);
    connect(&m_dotTimer, &QTimer::timeout, this, &SearchMoodView::advanceDots);
    m_fade.setDuration(phraseFadeMs);
    m_fade.setEasingCurve(QEasingCurve::InOutQuad);
    m_fade.setStartValue(0.0);
    m_fade.setEndValue(1.0);
    connect(&m_fade, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

const QStringList& SearchMoodView::phrases() {
    static const QStringList list{
        QStringLiteral("Ищем оригинал и аналоги"),
        QStringLiteral("Перебираем склады. Где-то эта деталь точно лежит"),
        QStringLiteral("Сверяем цены. Дорогие тоже покажем, но без энтузиазма"),
        QStringLiteral("Ищем подешевле. Бухгалтерия будет довольна"),
        QStringLiteral("Проверяем сроки. «Когда-нибудь» — не срок поставки"),
        QStringLiteral("Разговариваем с поставщиками на языке артикулов"),
        QStringLiteral("Ищем аналоги. Родственников детали тоже проверим"),
        QStringLiteral("Собираем предложения. Уже слышно, как шуршат прайсы"),
        QStringLiteral("Проверяем склады. Заглядываем даже на верхнюю полку"),
        QStringLiteral("Сравниваем цены. Калькулятор держится молодцом"),
        QStringLiteral("Ищем деталь. Интернет пока сотрудничает"),
        QStringLiteral("Поставщики отвечают. Кто первый — тот молодец"),
        QStringLiteral("Отдел поиска работает. Отдел паники упразднён"),
        QStringLiteral("Ещё немного. Хорошие запчасти быстро не прячутся"),
        QStringLiteral("Фильтруем лишнее. Фуфло в таблицу не пропустим"),
        QStringLiteral("Наводим порядок среди оригиналов и аналогов"),
        QStringLiteral("Прайсы шуршат. Orelia не отвлекаем"),
        QStringLiteral("Ищем лучший вариант. Кофе можно пока не наливать"),
        QStringLiteral("Артикул принят. Начинаем археологическую экспедицию"),
        QStringLiteral("Склады на связи. Достаём большую лупу"),
        QStringLiteral("Цены строятся по росту. Почти строятся"),
        QStringLiteral("Проверяем предложения. Каждому прайсу свой допрос"),
        QStringLiteral("Ищем хорошую цену без применения тяжёлой артиллерии"),
        QStringLiteral("Оригиналы найдены не все. Продолжаем раскопки"),
        QStringLiteral("Аналоги выходят на перекличку"),
        QStringLiteral("Собираем всё в одну таблицу. Так им и надо"),
        QStringLiteral("Проверяем, кто сегодня самый щедрый поставщик"),
        QStringLiteral("Ищем быстро. Поставщики отвечают в своём темпе"),
        QStringLiteral("Запчасть где-то рядом. Осталось объяснить это серверам"),
        QStringLiteral("Orelia работает. Можно сохранять спокойствие"),
    };
    return list;
}

void SearchMoodView::start() {
    m_phraseIndex = 0;
    m_dotCount = 1;
    m_fade.stop();
    m_phraseTimer.start();
    m_dotTimer.start();
    update();
}

void SearchMoodView::stop() {
    m_phraseTimer.stop();
    m_dotTimer.stop();
    m_fade.stop();
}

QString SearchMoodView::text() const {
    return phrases().at(m_phraseIndex) + QString(m_dotCount, u'.');
}

void SearchMoodView::advancePhrase() {
    m_phraseIndex = (m_phraseIndex + 1) % static_cast<int>(phrases().size());
    m_fade.stop();
    m_fade.start();
    update();
}

void SearchMoodView::advanceDots() {
    m_dotCount = m_dotCount % 3 + 1;
    update();
}

QSize SearchMoodView::sizeHint() const {
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& phrase : phrases())
        widest = std::max(widest, fm.horizontalAdvance(phrase + QStringLiteral("...")));
    return {widest + 2 * kPaddingH + static_cast<int>(kTailWidth) + 4, fm.height() + 2 * kPaddingV + 4};
}

QSize SearchMoodView::minimumSizeHint() const {
    const QFontMetrics fm(font());
    return {fm.averageCharWidth() * 20, fm.height() + 2 * kPaddingV + 4};
}

QRectF SearchMoodView::bubbleRect() const {
    // Sized to the current phrase with three dots, so the bubble does not twitch with the dots.
    const QFontMetrics fm(font());
    const qreal textWidth = fm.horizontalAdvance(phrases().at(m_phraseIndex) + QStringLiteral("..."));
    const qreal width = std::min<qreal>(textWidth + 2 * kPaddingH, this->width() - kTailWidth - 2);
    return {kTailWidth + 1, 1, width, static_cast<qreal>(fm.height() + 2 * kPaddingV)};
}

void SearchMoodView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bubble = bubbleRect();
    QPainterPath shape;
    shape.addRoundedRect(bubble, kBubbleRadius, kBubbleRadius);
    shape = shape.united(SpeechTail::path(bubble));

    QColor fill = palette().color(QPalette::Highlight);
    fill.setAlpha(34);
    QColor border = palette().color(QPalette::Highlight);
    border.setAlpha(90);
    painter.setPen(QPen(border, 1.0));
    painter.setBrush(fill);
    painter.drawPath(shape);

    const qreal opacity = m_fade.state() == QAbstractAnimation::Running ? m_fade.currentValue().toReal() : 1.0;
    painter.setOpacity(opacity);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRectF textRect = bubble.adjusted(kPaddingH, 0, -kPaddingH / 2.0, 0);
    const QString elided = QFontMetrics(font()).elidedText(text(), Qt::ElideRight, static_cast<int>(textRect.width()));
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, elided);
}
