#pragma once
// The ecusim tool's control channel: command lines (Controllo.h) read from stdin or from a
// Unix stream socket, each answered with one line on the same channel. Any number of socket
// clients may connect one after another or at once.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace ecusim {

class EcuModel;

class CanaleControllo : public QObject {
    Q_OBJECT
public:
    CanaleControllo(EcuModel& ecu, int msSpento, QObject* parent = nullptr);
    ~CanaleControllo() override;

    // Commands from stdin, answers on stdout. End of input just stops the reading.
    void ascoltaStdin();
    // Listens on a Unix socket at percorso (an old socket file there is replaced; any other
    // file is left alone and the call fails). The socket file is removed on destruction.
    bool ascoltaSocket(const QString& percorso, QString* errore);

signals:
    void comandoEseguito(const QByteArray& riga, const QByteArray& risposta);

private:
    struct Cliente {
        int leggi = -1;
        int scrivi = -1;
        QSocketNotifier* notifica = nullptr;
        QByteArray buffer;
    };
    void aggiungiCliente(int leggi, int scrivi);
    void leggiCliente(int fd);
    void chiudiCliente(int fd);
    void accetta();

    EcuModel& m_ecu;
    int m_msSpento;
    int m_ascolto = -1;
    QString m_percorso;
    QSocketNotifier* m_notificaAscolto = nullptr;
    QList<Cliente> m_clienti;
};

} // namespace ecusim
