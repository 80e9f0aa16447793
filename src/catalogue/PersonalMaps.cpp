#include "catalogue/PersonalMaps.h"

#include "catalogue/StatoCatalogo.h"
#include "ecu_link/DatiCentralina.h"
#include "catalogue/Catalogue.h"
#include "platform/Files.h"
#include "platform/Form.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Beep and one box with message n under "WARNING!"; the two-digit ECU type is inserted
// before the first ".QOX" of the text.
void Segnalo(int n)
{
    Shell.Messaggio1 = (n == 191 || n == 192 || n == 249 || n == 250) ? TestoMappaMancante(n) : Msg(n);
    Shell.Messaggio2 = Msg(140);
    Beep();
    MostroMessaggio(Shell.Messaggio1, Shell.Messaggio2, 0);
}

bool Metano() { return StatoCatalogo.TipoGas == 1; }

// Deletes the files of the vehicle folder and the folder itself. A folder reached through
// a symbolic link is left alone; a step that fails is passed over.
void RimuovoCartella(const QString& cartella)
{
    if (cartella.isEmpty())
        return;
    const QFileInfo fi(cartella);
    if (fi.isSymLink() || !fi.isDir())
        return;
    QDir d(cartella);
    for (const QFileInfo& f : d.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        QFile::remove(f.filePath());
    QDir().rmdir(cartella);
}

void RimuovoFile(const QString& percorso)
{
    const QFileInfo fi(percorso);
    if (fi.isFile() || fi.isSymLink())
        QFile::remove(percorso);
}

// Personalised maps exist for the ECU types 1 to 9: type 0 is told with message 358, any
// other with 204.
bool TipoMappeValido()
{
    const int ecu = DatiCentralina.TipoCentralina;
    if (ecu == 0) {
        Segnalo(358);
        return false;
    }
    if (ecu < 1 || ecu > 9) {
        Segnalo(204);
        return false;
    }
    return true;
}

} // namespace

QString TestoMappaMancante(int n)
{
    QString testo = Msg(n);
    const int p = testo.indexOf(QLatin1String(".QOX"));
    if (p >= 0)
        testo.insert(p, DueCifre(DatiCentralina.TipoCentralina));
    return testo;
}

QString DescrizioneTipoMappa(int tipo)
{
    return Msg(tipo == 1 ? 119 : 118);
}

QString TargaCartella(const QString& targa)
{
    const QString t = targa.trimmed().toUpper();
    if (t.isEmpty() || t.size() > 10)
        return {};
    for (const QChar c : t) {
        const ushort u = c.unicode();
        if (!((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')))
            return {};
    }
    return t;
}

QString CartellaVeicolo()
{
    const QString targa = TargaCartella(StatoCatalogo.Cliente);
    if (targa.isEmpty())
        return {};
    return Files::PercorsoApp(QStringLiteral("PERSONALIZZATE/") + targa);
}

QString NomeMappa()
{
    return (Metano() ? QStringLiteral("METANO") : QStringLiteral("MOTORO")) + DueCifre(DatiCentralina.TipoCentralina);
}

bool CreoMappePersonali(QString& testo, int tipo)
{
    testo.clear();
    const QString cartella = CartellaVeicolo();
    if (tipo != 1) {
        RimuovoCartella(cartella);
        return true;
    }
    if (!TipoMappeValido())
        return false;
    if (cartella.isEmpty()) {
        // No vehicle plate that can name a folder: nothing is created.
        Segnalo(211);
        return false;
    }
    bool ok = Files::CreaCartella(cartella) && !QFileInfo(cartella).isSymLink();
    const QString nome = NomeMappa() + QStringLiteral(".QOX");
    const QString mappa = Files::Trova(cartella, nome);
    int errore = ok ? 0 : 211;
    if (ok && !QFileInfo(mappa).isFile()) {
        const QString standard = Files::Percorso(StatoCatalogo.DirCentralina, nome);
        if (StatoCatalogo.DirCentralina.trimmed().isEmpty() || !QFileInfo(standard).isFile())
            errore = Metano() ? 250 : 192;
        else if (!Files::CopiaAtomica(standard, mappa))
            errore = 211;
    }
    RimuovoFile(Files::Trova(cartella, QStringLiteral("TABTPS.TPS")));
    if (errore != 0) {
        Segnalo(errore);
        return false;
    }
    testo = mappa;
    return true;
}

bool ControlloMappePersonali()
{
    if (!TipoMappeValido())
        return false;
    const QString nome = NomeMappa() + QStringLiteral(".QOX");
    const bool personale = StatoCatalogo.TipoInstallazione == 1;
    QString file;
    if (personale) {
        const QString cartella = CartellaVeicolo();
        if (!cartella.isEmpty())
            file = Files::Trova(cartella, nome);
    } else if (!StatoCatalogo.DirCentralina.trimmed().isEmpty()) {
        file = Files::Percorso(StatoCatalogo.DirCentralina, nome);
    }
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        if (personale)
            Segnalo(Metano() ? 249 : 191);
        else
            Segnalo(Metano() ? 250 : 192);
        return false;
    }
    return true;
}

void CancelloMappePersonali()
{
    const int tipo = StatoCatalogo.TipoInstallazione;
    const QString cartella = CartellaVeicolo();
    if (tipo == -1 || cartella.isEmpty())
        return;
    if (tipo == 0) {
        RimuovoCartella(cartella);
    } else if (tipo == 1 && DatiCentralina.TipoCentralina >= 1) {
        if (QFileInfo(cartella).isSymLink())
            return;
        RimuovoFile(Files::Trova(cartella, NomeMappa() + QStringLiteral(".PRG")));
    }
}

void ImpostoTipoInstallazione()
{
    const int tipo = DatiCentralina.TipoInstCentr;
    if (tipo != 0 && tipo != 1)
        return;
    StatoCatalogo.TipoInstallazione = tipo;
    if (StatoCatalogo.MostroTipoInst)
        StatoCatalogo.MostroTipoInst(DescrizioneTipoMappa(tipo));
    const QString cartella = CartellaVeicolo();
    if (cartella.isEmpty())
        return;
    if (tipo == 0) {
        RimuovoCartella(cartella);
        return;
    }
    if (QFileInfo(cartella).isSymLink())
        return;
    const QString prg = Files::Trova(cartella, NomeMappa() + QStringLiteral(".PRG"));
    if (!QFileInfo(prg).isFile())
        return;
    // The read-out replaces the personalised map in one rename: the old map stays whole
    // until the new one, on the disk first, takes its name.
    Files::SostituisciConRinomina(prg, Files::Trova(cartella, NomeMappa() + QStringLiteral(".QOX")));
}
