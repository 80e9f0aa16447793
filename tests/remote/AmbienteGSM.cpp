#include "AmbienteGSM.h"

#include "shell/Procedure.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>

namespace {
double OrologioVeloce()
{
    static double t = 0;
    return t += 0.25;
}
} // namespace

void ScaricoForm()
{
    for (int i = 0; i < 2; ++i)
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<FormBase*>(w); f && !f->Scaricato())
                f->Scarica();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QMap<QString, QByteArray> Elenco(const QString& cartella)
{
    QMap<QString, QByteArray> e;
    QDirIterator it(cartella, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        QByteArray contenuto;
        QFile f(p);
        if (it.fileInfo().isFile() && f.open(QIODevice::ReadOnly))
            contenuto = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5).toHex();
        e.insert(p.mid(cartella.size()), contenuto);
    }
    return e;
}

QByteArray RigaCatalogo(const QByteArray& descrizione, const QByteArray& chiave, const QList<QByteArray>& centraline,
                          const QByteArray& flag)
{
    QByteArray r = descrizione.leftJustified(41, ' ', true) + QByteArray("   4");
    for (int k = 0; k < 3; ++k)
        r += centraline.value(k).leftJustified(40, ' ', true);
    return r + chiave.leftJustified(12, ' ', true) + flag.leftJustified(3, ' ', true);
}

void AmbienteGSM::SetUp()
{
    ImpostaOrologio(OrologioVeloce);
    ScaricoForm();
    FormTimer::ImpostaScalaTempo(1.0);
    cartella = std::make_unique<CartellaProgramma>();
    const QString path = Shell.PathApp;
    Shell.reset();
    Shell.PathApp = path;
    Shell.Lingua = 4;
    cartella->scrivi("ZEQINST.INI", "[PORTE]\r\nCOM1=/nonexistent/ecu\r\nCOM5=/nonexistent/modem\r\n"
                                    "[ASSISTENZA]\r\nTelefono=0123456789\r\n");
    Link.reset();
    GSM.reset();
    box = std::make_unique<RegistroBox>(-1);
    ImpostaModemDiProva([this](const QByteArray& b) { modem.append(b); });
    Shell.Funzione = 2;
    d = DatiMotore::Carica();
}

void AmbienteGSM::TearDown()
{
    ImpostaModemDiProva(nullptr);
    ScaricoForm();
    GSM.reset();
    Link.reset();
    box.reset();
    cartella.reset();
}

void AmbienteGSM::stazione(const QByteArray& testo)
{
    GSM.BufferGSM += gsmsim::Cornice(testo);
    GestioneGSM();
}

void AmbienteGSM::inStato(int stato)
{
    GSM.GSMattivo = true;
    GSM.StatoGSM = stato;
    d->MostroChiamataGSM(true);
    if (InScambioRemoto(stato)) {
        GSM.InvioGSM = true;
        d->MostroScambioRemoto(true);
    }
}
