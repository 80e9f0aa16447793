#pragma once
// Shared fixture of the remote-assistance tests: the link fixture with an assistance
// number, the live-data screen loaded as the current function, every write to the modem
// recorded, and the station's frames built with the simulator's own codec.
#include "diagnosis/DatiMotore.h"
#include "ecu_link/StatoLink.h"
#include "gsmsim/lib/Cornice.h"
#include "gsmsim/lib/GsmModel.h"
#include "platform/Timer.h"
#include "remote/Aggancio.h"
#include "remote/ModemLink.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"
#include "support/Ambiente.h"

#include <QByteArrayList>
#include <QLabel>
#include <QPushButton>
#include <QMap>
#include <gtest/gtest.h>
#include <memory>

// A file's bytes, "<missing>" when it cannot be read.
QByteArray Leggo(const QString& percorso);

// Every file and folder below a folder with its size and content hash.
QMap<QString, QByteArray> Elenco(const QString& cartella);

// The names that left a folder watched with inotify (IN_DELETE, IN_MOVED_FROM) since the last
// call, in order.
QStringList Cancellati(int avvisi);

// The program's replies as they go on the line: each text framed ("" stays "").
inline QByteArray Risposta(const QByteArray& t) { return t.isEmpty() ? t : gsmsim::Cornice(t); }
inline QByteArrayList Risposte(QByteArrayList t) { for (QByteArray& r : t) r = Risposta(r); return t; }

// The next removal of this file fails once with an I/O error, as a failing disk may refuse
// it; every other removal goes through.
void RimozioneFallisceUnaVolta(const QString& percorso);
// The same for the next rename of this file to another name.
void RenameFailsOnce(const QString& percorso);

// A 180-character catalogue record.
QByteArray RigaCatalogo(const QByteArray& descrizione, const QByteArray& chiave,
                          const QList<QByteArray>& centraline = {"ECU ONE"}, const QByteArray& flag = "GGG");

class RemoteFixture : public AmbienteLink {
protected:
    void SetUp() override;
    void TearDown() override;
    // The station sends a frame; the receive path handles it.
    void stazione(const QByteArray& testo);
    // A connected call in the given state.
    void inStato(int stato);
    QByteArray ultima() const { return modem.isEmpty() ? QByteArray() : modem.back(); }
    QString file(const QString& relativo) const { return cartella->file(relativo); }

    DatiMotore* d = nullptr;
};
