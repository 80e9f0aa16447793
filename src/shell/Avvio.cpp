#include "shell/Avvio.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "shell/SceltaLingua.h"
#include "shell/ZEQ_Inst.h"
#include "vehicle/Veicolo.h"
#include "platform/SingleInstance.h"
#include "archive/Gestione.h"
#include "catalogue/AggModel.h"
#include "catalogue/SoftwareLibrary.h"

#include <QDir>
#include <QFileInfo>

void RegistroSchermi()
{
    ZEQ_Inst::Schermi& s = ZEQ_Inst::Apri();
    s.AggModel = [] {
        AggModel::Carica()->Mostra(true);
        return true;
    };
    s.Gestione = AproGestione;
    s.Veicolo = &Veicolo::Apri;
    s.TastoVS = [] {
        if (ZEQ_Inst* m = ZEQ_Inst::Istanza()) {
            QList<QPair<QString, QString>> righe;
            for (const RigaSoftware& r : ElencoSoftware())
                righe.append({r.nome, r.versione});
            m->MostroElencoSoftware(righe);
        }
    };
}

bool Main(const QString& percorsoProgramma)
{
    RegistroSchermi();
    const QFileInfo programma(percorsoProgramma);
    QString cartella = programma.absolutePath();
    if (cartella.size() > 1 && cartella.endsWith(QLatin1Char('/')))
        cartella = cartella.left(cartella.size() - 1).trimmed();
    Shell.PathApp = cartella;
    QDir::setCurrent(programma.absolutePath());
    LeggoLingua();

    if (!AcquisisciIstanzaUnica(QStringLiteral("ZEQINST.LCK"))) {
        if (Shell.Lingua == 0)
            Shell.Lingua = 4;
        Shell.Messaggio1 = programma.completeBaseName() + Msg(179);
        Shell.Messaggio2 = Msg(140);
        MostroMessaggio(Shell.Messaggio1, Shell.Messaggio2, 0);
        return false;
    }

    if (Shell.Lingua != 0) {
        ZEQ_Inst::Carica()->Mostra(false);
    } else {
        SceltaLingua* s = SceltaLingua::Carica();
        s->LinguaPrecedente = 0;
        s->Mostra(false);
    }
    return true;
}
