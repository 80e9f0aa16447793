#include "archive/Archivio.h"

#include "shell/Modulo.h"
#include "shell/Procedure.h"

namespace Archivi {

bool AproArchivio()
{
    ChiudoArchivio();
    CreoArchivio();
    if (Archivio.Riparato) {
        MostroMessaggio(Msg(196) + QString::number(Archivio.RecordRecuperati) + " (" + Archivio.CopiaDanneggiata + ")",
                        Msg(140), 0);
    }
    if (Archivio.ErroreCreazione == Db::Err::InUso) {
        Avviso(172);
        return false;
    }
    // A damaged file that the repair could not replace is not worked on either: it stays as
    // it is, for a later repair or for recovery by hand.
    if (Archivio.ErroreCreazione == Db::Err::FormatoIgnoto || Archivio.ErroreCreazione == Db::Err::PercorsoInvalido ||
        Archivio.ErroreCreazione == Db::Err::Danneggiato) {
        Avviso(174);
        return false;
    }
    try {
        Archivio.DbArchivio = Db::Database::Apri(FileArchivio(), true, false);
        Archivio.RsClienti = Archivio.DbArchivio->ApriTabella("CLIENTI");
    } catch (const Db::ErroreDb& e) {
        ChiudoArchivio();
        Avviso(e.Numero == Db::Err::InUso ? 172 : 174);
        return false;
    }
    return true;
}

} // namespace Archivi
