#pragma once
// The serial communications control every port of the program goes through:
// CommPort (1..10), PortOpen, Output, Input and the receive event (CommEvent 2), over
// QSerialPort at 19200 baud, 8 data bits, no parity, 1 stop bit, no flow control.
// The Qt slot only appends what arrived to the control's input and posts the receive
// event with a queued call, so a handler may open modal boxes while more bytes arrive.
// Port COMn is resolved from key "COMn" of section "PORTE" of ZEQINST.INI (for example
// COM1=/dev/ttyUSB0) or else /dev/ttyS<n-1>.
#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

class SerialControl : public QObject {
    Q_OBJECT
public:
    // Error numbers the control reports that callers act on.
    static constexpr int ErrPortaGiaAperta = 8005;  // port already open / held elsewhere
    static constexpr int ErrPortaNonValida = 8002;  // invalid or missing port
    static constexpr int ErrPortaAperta = 8000;     // operation not valid while open
    static constexpr int ErrGenerico = 8015;        // any other failure
    static constexpr int ErrPortaChiusa = 8018;     // operation valid only while open
    static constexpr int EventoRicezione = 2;

    explicit SerialControl(const QString& nome, QObject* parent = nullptr);
    ~SerialControl() override;

    QString Nome() const { return m_nome; }
    int CommPort() const { return m_porta; }
    // Sets the port number; returns 0 or an error number (8000 while open).
    int setCommPort(int n);
    bool PortOpen() const;
    // Opens or closes the port; returns 0 or the error number.
    int setPortOpen(bool aperta);
    // Writes bytes to the port; returns 0 or an error number.
    int Output(const QByteArray& dati);
    // Takes and returns everything received and not yet read.
    QByteArray Input();
    int CommEvent() const { return m_evento; }
    // Device the port number resolves to.
    static QString Dispositivo(int porta);
    // Text of the last error (for diagnostics).
    QString UltimoErrore() const { return m_ultimoErrore; }

    // Test seam: what was written to the port, the most recent LimiteScritto bytes at most
    // (a long session must not keep everything it ever sent).
    static constexpr qsizetype LimiteScritto = 65536;
    const QByteArray& Scritto() const { return m_scritto; }
    void PulisciScritto() { m_scritto.clear(); }

signals:
    // The receive event (CommEvent 2): emitted from the event loop after bytes arrived.
    void OnComm();
    // The port was closed because of a read or resource error.
    void Chiusa(const QString& motivo);

private:
    void dati();
    void errore(int codice);
    void consegna();
    QString m_nome;
    QSerialPort* m_port = nullptr;
    int m_porta = 1;
    int m_evento = 0;
    bool m_eventoInCoda = false;
    QByteArray m_ricevuto;
    QByteArray m_scritto;
    QString m_ultimoErrore;
};

// The program's two serial controls, living as long as the program.
SerialControl& Comunic();
SerialControl& ComGSM();
