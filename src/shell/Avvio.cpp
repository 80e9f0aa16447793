#include "shell/Avvio.h"
#include "diagnosis/DatiMotore.h"
#include "platform/Files.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "shell/SceltaLingua.h"
#include "shell/ZEQ_Inst.h"
#include "vehicle/Veicolo.h"
#include "platform/SingleInstance.h"
#include "remote/ModemLink.h"
#include "archive/Gestione.h"
#include "catalogue/AggModel.h"
#include "catalogue/SoftwareLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#ifdef Q_OS_UNIX
#include <climits>
#include <unistd.h>
#endif

void RegistroSchermi()
{
    ZEQ_Inst::Schermi& s = ZEQ_Inst::Apri();
    s.AggModel = [] {
        AggModel::Carica()->Mostra(true);
        return true;
    };
    s.Gestione = AproGestione;
    s.DatiMotore = &DatiMotore::Apri;
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

QString PercorsoDaByte(const QByteArray& byte)
{
    if (byte.isEmpty())
        return {};
    const QString nome = QFile::decodeName(byte);
    // A name the codec cannot decode would lead every file of the program somewhere else.
    if (QFile::encodeName(nome) != byte || !QFileInfo(nome).isFile())
        return {};
    return nome;
}

QString PercorsoProgramma()
{
    const QString qt = QCoreApplication::applicationFilePath();
    if (!qt.isEmpty())
        return qt;
#ifdef Q_OS_UNIX
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n > 0)
        return PercorsoDaByte(QByteArray(buffer, n));
#endif
    return {};
}

bool Main(const QString& percorsoProgramma)
{
    RegistroSchermi();
    if (percorsoProgramma.isEmpty() || !QFileInfo(QFileInfo(percorsoProgramma).absolutePath()).isDir()) {
        // Without its folder the program has no language, no lock and no files: it says so in
        // English and ends, writing nothing anywhere.
        Shell.Lingua = 4;
        MostroMessaggio(QStringLiteral("The program's folder cannot be found (its name may hold characters that "
                                       "are not valid text). Move the program to a folder with a plain name."),
                        Msg(140), 0);
        return false;
    }
    const QFileInfo programma(percorsoProgramma);
    QString cartella = programma.absolutePath();
    if (cartella.size() > 1 && cartella.endsWith(QLatin1Char('/')))
        cartella = cartella.left(cartella.size() - 1).trimmed();
    Shell.PathApp = cartella;
    Files::ImpostaCartellaProgramma(cartella);
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
    // The only instance: whatever a crash left half-done is finished or removed.
    RiordinoDopoInterruzione();

    if (Shell.Lingua != 0) {
        ZEQ_Inst::Carica()->Mostra(false);
    } else {
        SceltaLingua* s = SceltaLingua::Carica();
        s->LinguaPrecedente = 0;
        s->Mostra(false);
    }
    return true;
}
