#pragma once
// Runs a GsmModel on the master side of a raw pseudo-terminal whose slave nobody else
// holds open: while the program has the port closed the master reads fail, which is the
// program's hang-up; the master is then looked at every 100 ms until the port opens again.
#include "gsmsim/lib/GsmModel.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace gsmsim {

class LineaPty : public QObject {
    Q_OBJECT
public:
    LineaPty(GsmModel& modello, int master, QObject* parent = nullptr);
    GsmModel& modello() { return m_modello; }
    bool portaAperta() const { return m_aperta; }

signals:
    // A line of the model's log, as it happens.
    void voce(const Voce& v);

private:
    void leggi();
    void tic();
    void scrivi(const QByteArray& dati);
    void chiusa();
    void pubblica();

    GsmModel& m_modello;
    int m_master;
    bool m_aperta = false;
    QSocketNotifier* m_notifica = nullptr;
    QTimer m_timer;
    QElapsedTimer m_orologio;
    qint64 m_ultimoMs = 0;
    qint64 m_riprovaMs = -1;
    qsizetype m_pubblicate = 0;
};

// Opens a raw pseudo-terminal and closes its slave; returns the master (-1 on failure)
// and the slave's path.
int AproPtyLibera(QByteArray& percorsoSlave);

} // namespace gsmsim
