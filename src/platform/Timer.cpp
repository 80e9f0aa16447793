#include "platform/Timer.h"

#include <algorithm>
#include <cmath>

static double g_scala = 1.0;

// Under a test's time scale the first seconds of an interval still run in real time and only
// the rest is shortened: a reply watchdog then outlasts the worst scheduling delay of a busy
// machine (and of the sanitizer builds), while long intervals keep their order.
constexpr int MsNonScalati = 3000;

static int DurataReale(int interval)
{
    if (g_scala >= 1.0)
        return std::max(0, int(std::lround(interval * g_scala)));
    const int reale = std::min(interval, MsNonScalati);
    return reale + std::max(0, int(std::lround((interval - reale) * g_scala)));
}

FormTimer::FormTimer(QObject* parent, int interval, bool enabled) : QObject(parent)
{
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_enabled)
            emit Timer();
    });
    m_interval = interval;
    setEnabled(enabled);
}

void FormTimer::avvia()
{
    m_timer.stop();
    if (m_enabled && m_interval > 0)
        m_timer.start(DurataReale(m_interval));
}

void FormTimer::setInterval(int ms)
{
    m_interval = ms;
    if (m_enabled)
        avvia();
}

void FormTimer::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (on)
        avvia();
    else
        m_timer.stop();
}

void FormTimer::Scatta()
{
    if (m_enabled)
        emit Timer();
}

void FormTimer::ImpostaScalaTempo(double scala)
{
    g_scala = scala;
}

double FormTimer::ScalaTempo()
{
    return g_scala;
}
