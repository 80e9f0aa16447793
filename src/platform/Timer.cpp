#include "platform/Timer.h"

#include <cmath>

static double g_scala = 1.0;

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
        m_timer.start(std::max(0, int(std::lround(m_interval * g_scala))));
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
