#pragma once
// Runs an EcuModel on the master side of a raw pseudo-terminal: what the program writes to
// the slave goes to the model, what the model sends in real time goes back. A QSocketNotifier
// watches the master, a short QTimer moves the model's clock on with the wall clock.
#include "ecusim/lib/EcuModel.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace ecusim {

class CollegamentoPty : public QObject {
    Q_OBJECT
public:
    // master: the master descriptor (made non-blocking here; not closed). slave: a descriptor
    // of the slave side that stays open while this object lives, or -1. With it, bytes that
    // nobody reads for a second are discarded, as on a wire with nothing attached, so a
    // program that opens the port later does not receive a backlog of old frames.
    CollegamentoPty(EcuModel& ecu, int master, int slave = -1, QObject* parent = nullptr);
    ~CollegamentoPty() override;

    EcuModel& ecu() { return m_ecu; }
    // Bytes the model sent that never reached a reader.
    qint64 byteScartati() const { return m_scartati; }

signals:
    // A line the model received (CR LF included), at the model's time in ms.
    void rigaRicevuta(qint64 ms, const QByteArray& riga);

private:
    void leggi();
    void tic();
    void aggiornaTempo();
    void scrivi();
    void controllaLettore();

    EcuModel& m_ecu;
    int m_master;
    int m_slave;
    QSocketNotifier* m_notifica = nullptr;
    QTimer m_timer;
    QElapsedTimer m_orologio;
    qint64 m_ultimoMs = 0;
    QByteArray m_uscita;
    qint64 m_scartati = 0;
    // Reader detection: bytes waiting at the slave after the last check, bytes written since.
    qint64 m_codaPrecedente = 0;
    qint64 m_scrittiDaControllo = 0;
    qint64 m_ultimaLetturaMs = 0;
    qint64 m_riattivaNotificaMs = -1;
};

} // namespace ecusim
