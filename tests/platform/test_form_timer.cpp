// A form timer follows the program's clock: it fires once its interval has passed, again every
// interval while enabled, and never after Stop.
#include "clock.h"
#include "form_timer.h"

#include <QTest>

class TestFormTimer : public QObject {
    Q_OBJECT

private slots:
    void firesOnTheClockOnly() {
        ManualClockScope clock;
        TFormTimer timer(10000);
        int fired = 0;
        connect(&timer, &TFormTimer::Timeout, this, [&] { ++fired; });
        timer.Start();
        clock.clock.Advance(9999);
        timer.Poll();
        QCOMPARE(fired, 0);
        clock.clock.Advance(1);
        timer.Poll();
        QCOMPARE(fired, 1);
        timer.Poll();
        QCOMPARE(fired, 1);
        clock.clock.Advance(10000);
        timer.Poll();
        QCOMPARE(fired, 2);
        timer.Stop();
        clock.clock.Advance(50000);
        timer.Poll();
        QCOMPARE(fired, 2);
        QVERIFY(!timer.Enabled());
    }

    void restartBeginsTheIntervalAgain() {
        ManualClockScope clock;
        TFormTimer timer(1000);
        int fired = 0;
        connect(&timer, &TFormTimer::Timeout, this, [&] { ++fired; });
        timer.Start();
        clock.clock.Advance(900);
        timer.Start();
        clock.clock.Advance(900);
        timer.Poll();
        QCOMPARE(fired, 0);
        clock.clock.Advance(100);
        timer.Poll();
        QCOMPARE(fired, 1);
    }

    void runsFromTheEventLoopOnTheSystemClock() {
        TFormTimer timer(20);
        int fired = 0;
        connect(&timer, &TFormTimer::Timeout, this, [&] {
            ++fired;
            timer.Stop();
        });
        timer.Start();
        QVERIFY(QTest::qWaitFor([&] { return fired == 1; }, 5000));
    }
};

QTEST_GUILESS_MAIN(TestFormTimer)
#include "test_form_timer.moc"
