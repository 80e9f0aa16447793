#include "diagnosis/RigaDati.h"

#include "diagnosis/DatiMotore.h"
#include "diagnosis/Grafici.h"
#include "ecu_link/DatiCentralina.h"
#include "platform/Files.h"
#include "shell/Modulo.h"

#include <QFile>

StatoDiagnosiRec Diagnosi;

static const QString NomeFileGraf = QStringLiteral("DATI_GRAF.GRF");

QByteArray Campo8(const QByteArray& testo)
{
    if (testo.size() >= 8)
        return testo.left(8);
    return testo + QByteArray(8 - testo.size(), ' ');
}

void ElaboroDatiMotore()
{
    RigaDati& r = Diagnosi.DatiVideo[0];
    // Unit conversions and range tracking; a value that is not a number stays as it came.
    double v = 0;
    for (int c = 0; c < 14; ++c)
        if (ConvertoCanale(c, r.Valore[c], v))
            TracciaValore(Graf.Canali[c], v, r.Numero);
    // Channel 14 keeps its last text unless channels 0 and 1 are both numbers.
    if (CanaleDerivato(r.Valore[0], r.Valore[1], r.Valore[StatoGraficiRec::CanaleDerivato], v))
        TracciaValore(Graf.Canali[StatoGraficiRec::CanaleDerivato], v, r.Numero);
    r.Numero += 1;
    if (Diagnosi.IndiceCampioni < 0 || Diagnosi.IndiceCampioni >= StatoDiagnosiRec::RigheCampioni - 1)
        Diagnosi.IndiceCampioni = 0;
    else
        ++Diagnosi.IndiceCampioni;
    Diagnosi.Campioni[Diagnosi.IndiceCampioni] = r;
}

bool NumeroRegistrabile(qint32 numero)
{
    return QByteArray::number(numero).size() <= 8;
}

QByteArray RigaRegistrazione(const RigaDati& r)
{
    QByteArray riga = QByteArray::number(r.Numero).rightJustified(8, ' ', true);
    for (const QByteArray& v : r.Valore)
        riga += Campo8(v);
    riga += "\r\n";
    return riga;
}

static void FermoRegistrazione()
{
    Diagnosi.RegistrazioneFallita = true;
    if (DatiMotore* d = DatiMotore::Istanza())
        d->MostroRegistrazioneFerma(true);
}

void SalvoDatiGraf()
{
    if (Diagnosi.NumRighe < 0)
        return;
    const int n = Diagnosi.NumRighe;
    Diagnosi.NumRighe = -1;
    if (Diagnosi.RegistrazioneFallita)
        return;
    // A sample number wider than its 8 characters would be cut in the file: the rows
    // before it are written and the recording stops there.
    int ultima = -1;
    while (ultima < n && NumeroRegistrabile(Diagnosi.BufferGraf[ultima + 1].Numero))
        ++ultima;
    QByteArray dati;
    dati.reserve((ultima + 1) * StatoDiagnosiRec::LungRigaGraf);
    for (int i = 0; i <= ultima; ++i)
        dati += RigaRegistrazione(Diagnosi.BufferGraf[i]);

    // No partial line is left behind.
    const bool ok = Files::AppendoBlocco(Files::PercorsoApp(NomeFileGraf), dati);
    if (!ok || ultima < n)
        FermoRegistrazione();
}

void AccodoRigaGraf()
{
    if (Diagnosi.NumRighe >= StatoDiagnosiRec::RigheBufferGraf - 1)
        SalvoDatiGraf();
    ++Diagnosi.NumRighe;
    Diagnosi.BufferGraf[Diagnosi.NumRighe] = Diagnosi.DatiVideo[0];
}

void AzzeroGrafici()
{
    const QString file = Files::PercorsoApp(NomeFileGraf);
    // A recording file that can be neither removed nor emptied would mix the old samples
    // into the new recording: the new one is then not written at all.
    bool vuoto = true;
    if (QFile::exists(file) && !QFile::remove(file))
        vuoto = QFile::resize(file, 0);
    Diagnosi.reset();
    Diagnosi.RegistrazioneFallita = !vuoto;
    AzzeroScaleGrafici();
    if (DatiMotore* d = DatiMotore::Istanza()) {
        d->MostroRegistrazioneFerma(!vuoto);
        d->PannelliVuoti();
    }
}
