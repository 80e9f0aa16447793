// Pages of the personal map read-out (RZ, state 3). Each page carries 30 values that are
// written where its own number puts them in the read-out's temporary file <map>.PRG.PART
// of the vehicle folder, which the first page of a read-out starts empty; "MUA" asks for
// the next page, the page flagged "$" ends the read-out. Only a read-out that got that page
// and every page before it takes the name <map>.PRG (synced, then renamed) and becomes the
// vehicle's personalised map (.QOX); "MU3" closes the exchange. An interrupted read-out
// deletes its file, so a .PRG always holds a whole read-out.
#include "catalogue/PersonalMaps.h"
#include "ecu_link/Collegamento.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Rami.h"
#include "ecu_link/StatoLink.h"
#include "platform/Files.h"
#include "platform/Form.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/Attesa.h"
#include "vehicle/StatoVeicolo.h"
#include "vehicle/Veicolo.h"

#include <QFile>
#include <bitset>
#include <memory>


namespace {

constexpr int ValoriPagina = 30;
constexpr int UltimaPagina = 94;   // 95 pages of 30 values make the 2,850 values of a map

// The read-out file while a page is being written (closed by the error trap as well).
std::unique_ptr<QFile> g_file;

// The read-out in progress: its temporary file ("" before its first page) and the pages
// written into it.
struct LetturaInCorso {
    QString file;
    std::bitset<UltimaPagina + 1> pagine;
};
LetturaInCorso g_lettura;

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

void ChiudoFile()
{
    if (g_file) {
        g_file->close();
        g_file.reset();
    }
}

// The 30 values of the page into records p*30+1 .. p*30+30 of the read-out's file; the
// first page of a read-out starts it empty.
bool ScrivoPagina(const QByteArray& riga, int pagina)
{
    if (StatoVeicolo.DirPersonal.isEmpty() || !Files::CreaCartella(StatoVeicolo.DirPersonal))
        return false;
    const QString file = FileLettura(QStringLiteral(".PRG.PART"));
    QIODevice::OpenMode modo = QIODevice::ReadWrite;
    if (g_lettura.file != file) {
        ChiudoFilePersonale();
        modo |= QIODevice::Truncate;
    }
    g_file = std::make_unique<QFile>(file);
    if (!g_file->open(modo))
        return false;
    g_lettura.file = file;
    QByteArray dati;
    dati.reserve(ValoriPagina * 8);
    for (int i = 0; i < ValoriPagina; ++i) {
        const QByteArray v = riga.mid(7 + 6 * i, 6).trimmed();
        dati += (QByteArrayLiteral("000000") + v).right(6) + Protocollo::CRLF;
    }
    const bool ok = g_file->seek(qint64(pagina) * ValoriPagina * 8) && g_file->write(dati) == dati.size() &&
                    g_file->flush();
    ChiudoFile();
    if (ok)
        g_lettura.pagine.set(size_t(pagina));
    return ok;
}

// Every page up to the last one was written in this read-out.
bool LetturaCompleta(int ultima)
{
    for (int p = 0; p <= ultima; ++p)
        if (!g_lettura.pagine.test(size_t(p)))
            return false;
    return true;
}

// The completed read-out takes the name prg: synced first, so that the name never stands
// for a file the disk has only in part, then renamed in one step.
bool PromuovoLettura(const QString& prg)
{
    const bool ok = Files::SostituisciConRinomina(g_lettura.file, prg);
    if (ok)
        g_lettura = {};   // nothing left under the temporary name
    ChiudoFilePersonale();
    return ok;
}

// After the last page: the read-out replaces the personalised map in one step; when that
// fails the old map stays whole and the user is told, the exchange still ends.
void FineLettura()
{
    Attesa::ScaricaIstanza();
    ImpostoPuntatore(Shell.PuntatoreMouse);
    ImpostoProprietaVeicolo(true);
    Link.FaseCom = FASE_LIBERA;
    const QString prg = FileLettura(QStringLiteral(".PRG"));
    const bool copiata = PromuovoLettura(prg) && Files::CopiaAtomica(prg, FileLettura(QStringLiteral(".QOX")));
    if (Veicolo* v = Veicolo::Istanza())
        v->update();
    Comando(Protocollo::ComandoFineScambio);
    Veicolo::AvvioCollegamento();
    if (!copiata) {
        Beep();
        Avviso(217);
    }
}

} // namespace

// The read-out ends without its map (interrupted, or the error trap): its file goes.
void ChiudoFilePersonale()
{
    ChiudoFile();
    if (!g_lettura.file.isEmpty())
        QFile::remove(g_lettura.file);
    g_lettura = {};
}

void SalvoPersonale(const QByteArray& riga)
{
    int pagina = 0;
    char segno = 0;
    if (Link.FaseCom != FASE_LETTURA_PERSONALE || riga.size() != Protocollo::LungPaginaPersonale ||
        !PaginaValida(riga, pagina, segno))
        return;
    Veicolo* v = Veicolo::Istanza();
    Veicolo::FermoRisposta();
    if (!ScrivoPagina(riga, pagina) || (segno == '$' && !LetturaCompleta(pagina))) {
        // A page that cannot be stored, or a last page with pages missing before it, ends
        // the read-out as a missing reply does.
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
        Veicolo::AvvioRisposta();
        return;
    }
    FineLettura();
}
