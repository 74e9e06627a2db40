#include "UiFixture.h"
#include <QtTest>
class TestApplyLanguage : public QObject { Q_OBJECT private slots: void placeholder() {} };
QTEST_MAIN(TestApplyLanguage)
#include "tst_applylanguage.moc"
