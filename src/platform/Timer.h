#pragma once
// Form timer, the clock of a form's timed events: Interval in
// milliseconds and Enabled. Enabling a running timer leaves it running; disabling and
// enabling restarts the full interval; setting Interval on a running timer restarts it
// with the new interval; on a stopped timer it does not start it. An interval of 0 never
// fires. Tests scale time with ImpostaScalaTempo or fire a timer directly with Scatta().
#include <QObject>
#include <QTimer>

class FormTimer : public QObject {
    Q_OBJECT
public:
    explicit FormTimer(QObject* parent = nullptr, int interval = 0, bool enabled = false);

    int Interval() const { return m_interval; }
    void setInterval(int ms);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);
    // Runs the Timer event now, as if the interval had elapsed.
    void Scatta();

    // Test-only time scale (1.0 normally): below 1 an interval runs its first 3 s in real
    // time and the rest times the scale.
    static void ImpostaScalaTempo(double scala);
    static double ScalaTempo();

signals:
    void Timer();

private:
    void avvia();
    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = false;
};

// Twips, the unit the forms' layouts are given in, to pixels (15 twips per pixel).
constexpr int Twip(int twips) { return twips / 15; }
