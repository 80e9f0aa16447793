#pragma once
// The simulators' control channel (ecusim and gsmsim alike): command lines from stdin or from
// a Unix stream socket (any number of clients), each answered with one line on the same
// channel, "ok" or "error: ..." as the tool's executor says.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>

class QSocketNotifier;

namespace simcommon {

class CanaleRighe : public QObject {
    Q_OBJECT
public:
    using Esecutore = std::function<QByteArray(const QByteArray& riga)>;
    explicit CanaleRighe(Esecutore esegui, QObject* parent = nullptr);
    ~CanaleRighe() override;
    void ascoltaStdin();
    // An old socket file at percorso is replaced; any other file makes the call fail.
    bool ascoltaSocket(const QString& percorso, QString* errore);

signals:
    void comandoEseguito(const QByteArray& riga, const QByteArray& risposta);

private:
    struct Cliente {
        int scrivi = -1;
        QSocketNotifier* notifica = nullptr;
        QByteArray buffer;
    };
    void aggiungi(int leggi, int scrivi);
    void leggi(int fd);
    void accetta();

    Esecutore m_esegui;
    int m_ascolto = -1;
    QString m_percorso;
    std::map<int, Cliente> m_clienti;
};

// Client: sends each command to the socket and prints its answer; 0 when every answer is "ok".
int InviaComandi(const QString& percorso, const QStringList& comandi);

} // namespace simcommon
