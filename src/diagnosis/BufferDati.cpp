#include "diagnosis/RigaDati.h"

#include "diagnosis/DatiMotore.h"
#include "diagnosis/Grafici.h"
#include "ecu_link/DatiCentralina.h"
#include "platform/Files.h"
#include "shell/Modulo.h"

#include <QFile>
#include <QLabel>
#include <QLocale>

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
    // The unit conversions and the auto-range of the graph channels.
    AdattoScaleGrafici();
    if (Numerico(r.Valore[0]) && Numerico(r.Valore[1])) {
        const double v = Val(r.Valore[0]) - Val(r.Valore[1]);
        r.Valore[14] = QLocale::c().toString(v, 'f', 1).toLatin1().rightJustified(8, ' ').right(8);
    }
    r.Numero += 1;
    if (Diagnosi.IndiceCampioni < 0 || Diagnosi.IndiceCampioni >= StatoDiagnosiRec::RigheCampioni - 1)
        Diagnosi.IndiceCampioni = 0;
    else
        ++Diagnosi.IndiceCampioni;
    Diagnosi.Campioni[Diagnosi.IndiceCampioni] = r;
}

QByteArray RigaRegistrazione(const RigaDati& r)
{
    QByteArray riga = QByteArray::number(r.Numero).rightJustified(8, ' ', true);
    for (const QByteArray& v : r.Valore)
        riga += Campo8(v);
    riga += "\r\n";
    return riga;
}

void SalvoDatiGraf()
{
    if (Diagnosi.NumRighe < 0)
        return;
    const int n = Diagnosi.NumRighe;
    Diagnosi.NumRighe = -1;
    if (Diagnosi.RegistrazioneFallita)
        return;
    QByteArray dati;
    dati.reserve((n + 1) * StatoDiagnosiRec::LungRigaGraf);
    for (int i = 0; i <= n; ++i)
        dati += RigaRegistrazione(Diagnosi.BufferGraf[i]);

    QFile f(Files::PercorsoApp(NomeFileGraf));
    bool ok = f.open(QIODevice::WriteOnly | QIODevice::Append);
    if (ok) {
        const qint64 prima = f.size();
        ok = f.write(dati) == dati.size() && f.flush();
        if (!ok)
            f.resize(prima); // no partial line is left behind
        f.close();
    }
    if (!ok) {
        Diagnosi.RegistrazioneFallita = true;
        if (DatiMotore* d = DatiMotore::Istanza())
            d->Registrazione->setText(Msg(362));
    }
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
    if (DatiMotore* d = DatiMotore::Istanza()) {
        if (vuoto)
            d->Registrazione->clear();
        else
            d->Registrazione->setText(Msg(362));
    }
    // The channel table and the panes are cleared by the graph engine.
    AzzeroScaleGrafici();
}
