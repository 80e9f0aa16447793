// Pages of the personal map read-out (RZ, state 3). Each page carries 30 values that are
// written where its own number puts them in the read-out file <map>.PRG of the vehicle
// folder; "MUA" asks for the next page, the page flagged "$" ends the read-out: the
// read-out becomes the vehicle's personalised map (.QOX) and "MU3" closes the exchange.
#include "catalogue/PersonalMaps.h"
#include "ecu_link/Collegamento.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Rami.h"
#include "ecu_link/StatoLink.h"
#include "platform/Files.h"
#include "platform/Form.h"
#include "platform/Timer.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/Attesa.h"
#include "vehicle/StatoVeicolo.h"
#include "vehicle/Veicolo.h"

#include <QFile>
#include <memory>

namespace {

constexpr int ValoriPagina = 30;
constexpr int UltimaPagina = 94;   // 95 pages of 30 values make the 2,850 values of a map

// The read-out file while a page is being written (closed by the error trap as well).
std::unique_ptr<QFile> g_file;

// A page counts only with a three-digit number within the map and a flag "0" or "$".
bool PaginaValida(const QByteArray& riga, int& pagina, char& segno)
{
    const QByteArray numero = riga.mid(3, 3);
    for (char c : numero)
        if (c < '0' || c > '9')
            return false;
    pagina = numero.toInt();
    segno = riga[6];
    return pagina <= UltimaPagina && (segno == '0' || segno == '$');
}

QString FileLettura(const QString& estensione)
{
    return Files::Trova(StatoVeicolo.DirPersonal, NomeMappa() + estensione);
}

// The 30 values of the page into records p*30+1 .. p*30+30; the file is not truncated.
bool ScrivoPagina(const QByteArray& riga, int pagina)
{
    if (StatoVeicolo.DirPersonal.isEmpty() || !Files::CreaCartella(StatoVeicolo.DirPersonal))
        return false;
    g_file = std::make_unique<QFile>(FileLettura(QStringLiteral(".PRG")));
    if (!g_file->open(QIODevice::ReadWrite))
        return false;
    QByteArray dati;
    dati.reserve(ValoriPagina * 8);
    for (int i = 0; i < ValoriPagina; ++i) {
        const QByteArray v = riga.mid(7 + 6 * i, 6).trimmed();
        dati += (QByteArrayLiteral("000000") + v).right(6) + Protocollo::CRLF;
    }
    const bool ok = g_file->seek(qint64(pagina) * ValoriPagina * 8) && g_file->write(dati) == dati.size() &&
                    g_file->flush();
    ChiudoFilePersonale();
    return ok;
}

void Comando(const QByteArray& c)
{
    ScrivoCentralina(Protocollo::Riga(c));
}

// After the last page: the read-out replaces the personalised map in one step; when that
// fails the old map stays whole and the user is told, the exchange still ends.
void FineLettura()
{
    Attesa::ScaricaIstanza();
    ImpostoPuntatore(Shell.PuntatoreMouse);
    ImpostoProprietaVeicolo(true);
    Link.FaseCom = FASE_LIBERA;
    const bool copiata = Files::CopiaAtomica(FileLettura(QStringLiteral(".PRG")), FileLettura(QStringLiteral(".QOX")));
    Veicolo* v = Veicolo::Istanza();
    if (v)
        v->update();
    Comando(Protocollo::ComandoFineScambio);
    if (v)
        v->Dati_Out->setEnabled(true);
    if (!copiata) {
        Beep();
        Avviso(217);
    }
}

} // namespace

void ChiudoFilePersonale()
{
    if (g_file) {
        g_file->close();
        g_file.reset();
    }
}

void SalvoPersonale(const QByteArray& riga)
{
    int pagina = 0;
    char segno = 0;
    if (Link.FaseCom != FASE_LETTURA_PERSONALE || riga.size() != Protocollo::LungPaginaPersonale ||
        !PaginaValida(riga, pagina, segno))
        return;
    Veicolo* v = Veicolo::Istanza();
    if (v)
        v->TimeOutTx->setEnabled(false);
    if (!ScrivoPagina(riga, pagina)) {
        // A page that cannot be stored ends the read-out as a missing reply does.
        ChiudoFilePersonale();
        if (v) {
            v->TimeOutTx_Timer();
        } else {
            Attesa::ScaricaIstanza();
            Link.FaseCom = FASE_LIBERA;
        }
        return;
    }
    if (segno == '0') {
        Comando(Protocollo::ComandoPaginaSuccessiva);
        if (v)
            v->TimeOutTx->setEnabled(true);
        return;
    }
    FineLettura();
}
