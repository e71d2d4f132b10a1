// Local placeholder: the skeleton names this test but does not ship it.
#include <QtTest>
#include "core/Decimal.h"
class TestDecimal : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fromDouble_usesShortestText() { QCOMPARE(Decimal::fromDouble(0.1)->toString(), QStringLiteral("0.1")); }
};
QTEST_GUILESS_MAIN(TestDecimal)
#include "tst_Decimal.moc"
