#include "platform/Timer.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {
// Counts Timer events and when the first one came.
struct Conta {
    explicit Conta(FormTimer& t)
    {
        orologio.start();
        QObject::connect(&t, &FormTimer::Timer, [this] {
            if (n++ == 0)
                primo = orologio.elapsed();
        });
    }
    int n = 0;
    qint64 primo = -1;
    QElapsedTimer orologio;
};
} // namespace

TEST(FormTimer, EnablingARunningTimerLeavesItRunning)
{
    FormTimer t(nullptr, 6000, true);
    Conta c(t);
    AttendiFinche([] { return false; }, 3000);
    const qint64 abilitato = c.orologio.elapsed();
    t.setEnabled(true);   // must not restart the interval
    ASSERT_TRUE(AttendiFinche([&] { return c.n > 0; }));
    // Restarted, it would fire (less the timer's 5 % slack) a full interval after this.
    EXPECT_LT(c.primo, abilitato + 5600);
}

TEST(FormTimer, DisablingAndEnablingRestartsTheFullInterval)
{
    FormTimer t(nullptr, 300, true);
    Conta c(t);
    AttendiFinche([] { return false; }, 200);
    t.setEnabled(false);
    t.setEnabled(true);
    ASSERT_TRUE(AttendiFinche([&] { return c.n > 0; }, 2000));
    EXPECT_GE(c.primo, 480);
}

TEST(FormTimer, IntervalOnARunningTimerRestartsItButDoesNotStartAStoppedOne)
{
    FormTimer t(nullptr, 300, true);
    Conta c(t);
    AttendiFinche([] { return false; }, 200);
    t.setInterval(300);
    ASSERT_TRUE(AttendiFinche([&] { return c.n > 0; }, 2000));
    EXPECT_GE(c.primo, 480);

    FormTimer fermo(nullptr, 50, false);
    Conta c2(fermo);
    fermo.setInterval(20);
    AttendiFinche([] { return false; }, 150);
    EXPECT_EQ(c2.n, 0);
    EXPECT_FALSE(fermo.Enabled());
    fermo.Scatta();   // firing directly does nothing on a stopped timer
    EXPECT_EQ(c2.n, 0);
}

TEST(FormTimer, TimeScaleShortensTheRealDelayAndZeroNeverFires)
{
    FormTimer::ImpostaScalaTempo(0.001);
    // The first seconds of an interval stay real, so a scaled watchdog still outlasts the
    // delays of a busy machine; the rest is scaled: ten minutes pass in seconds.
    FormTimer breve(nullptr, 2000, true);
    Conta cb(breve);
    FormTimer t(nullptr, 600000, true);
    Conta c(t);
    AttendiFinche([] { return false; }, 1000);
    EXPECT_EQ(cb.n, 0);
    EXPECT_TRUE(AttendiFinche([&] { return c.n > 0; }, 60000));
    FormTimer::ImpostaScalaTempo(1.0);
    FormTimer zero(nullptr, 0, true);
    Conta cz(zero);
    AttendiFinche([] { return false; }, 100);
    EXPECT_EQ(cz.n, 0);
    EXPECT_EQ(Twip(1215), 81);
    EXPECT_EQ(Twip(855), 57);
}
