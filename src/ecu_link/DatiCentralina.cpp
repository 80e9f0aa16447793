#include "ecu_link/DatiCentralina.h"

#include <cmath>

DatiCentralinaRec DatiCentralina;

void AzzeroDatiCentralina()
{
    DatiCentralina.reset();
}

QString Fisso(const QString& valore, int lunghezza)
{
    if (valore.size() >= lunghezza)
        return valore.left(lunghezza);
    return valore + QString(lunghezza - valore.size(), QLatin1Char(' '));
}


QByteArray Mid(const QByteArray& t, int posizione, int lunghezza)
{
    if (posizione < 1 || posizione > t.size())
        return {};
    return t.mid(posizione - 1, lunghezza);
}

bool Numerico(const QByteArray& t)
{
    const QByteArray s = t.trimmed();
    int i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    bool cifre = false, punto = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9')
            cifre = true;
        else if (c == '.' && !punto)
            punto = true;
        else
            return false;
    }
    return cifre;
}

double Val(const QByteArray& t)
{
    QByteArray s;
    for (char c : t)
        if (c != ' ' && c != '\t')
            s += c;
    int i = 0;
    double segno = 1.0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        if (s[i] == '-')
            segno = -1.0;
        ++i;
    }
    double v = 0.0, scala = 0.1;
    bool punto = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            if (punto) {
                v += (c - '0') * scala;
                scala /= 10.0;
            } else {
                v = v * 10.0 + (c - '0');
            }
        } else if (c == '.' && !punto) {
            punto = true;
        } else {
            break;
        }
    }
    return segno * v;
}

int ValIntero(const QByteArray& t)
{
    const double v = std::nearbyint(Val(t));
    if (v > 32767.0 || v < -32768.0)
        return 0;
    return int(v);
}

std::optional<QDate> DataGGMMAAAA(const QByteArray& t)
{
    if (t.size() != 8)
        return std::nullopt;
    for (char c : t)
        if (c < '0' || c > '9')
            return std::nullopt;
    const QDate d(t.mid(4, 4).toInt(), t.mid(2, 2).toInt(), t.mid(0, 2).toInt());
    if (!d.isValid())
        return std::nullopt;
    return d;
}

static const QDate OrigineDate(1899, 12, 30);

double GiorniDaData(const QDate& d)
{
    return double(OrigineDate.daysTo(d));
}

QDate DataDaGiorni(double giorni)
{
    return OrigineDate.addDays(qint64(std::floor(giorni)));
}

int ControlloDatiCentralina(const QByteArray& risposta)
{
    int r = 0;
    if (!Numerico(Mid(risposta, 12, 2)))
        r |= ErroreTipo;
    if (!DataGGMMAAAA(Mid(risposta, 4, 8)))
        r |= ErroreDataInstallazione;
    if (!DataGGMMAAAA(Mid(risposta, 14, 8)))
        r |= ErroreDataRevisione;
    const QByteArray tipo = Mid(risposta, 22, 2);
    if (!Numerico(tipo) || (Val(tipo) != 0.0 && Val(tipo) != 1.0))
        r |= ErroreTipoInstallazione;
    return r;
}

bool ControlloVersioneSW()
{
    if (DatiCentralina.TipoCentralina < 2)
        return true;
    const QString maggiore = DatiCentralina.VersioneSw.left(2);
    if (maggiore == QLatin1String("00"))
        return false;
    if (maggiore == QLatin1String("02"))
        return !(DatiCentralina.VersioneSw.mid(3, 2) >= QLatin1String("50"));
    return !(maggiore > QLatin1String("02"));
}

QString RiordinoVersione(const QString& campo)
{
    const QString f = Fisso(campo, 9);
    return f.mid(0, 3) + f.mid(7, 2) + f.mid(3, 4);
}

QString VersioneSwVisualizzata()
{
    if (DatiCentralina.VersioneSw.trimmed().size() == 9)
        return RiordinoVersione(DatiCentralina.VersioneSw);
    return DatiCentralina.VersioneSw;
}

static QString L1(const QByteArray& b)
{
    return QString::fromLatin1(b);
}

void DecodificoRispostaBreve(const QByteArray& r)
{
    DatiCentralinaRec& d = DatiCentralina;
    d.ErroriDati = ErroriRispostaBreve;
    d.Matricola = Fisso(L1(Mid(r, 6, 8)), 8);
    d.Lotto = Fisso(L1(Mid(r, 14, 6)), 6);
    if (r.size() == 41) {
        d.VersioneSw = Fisso(L1(Mid(r, 20, 9)), 9);
        d.VersioneCaric = RiordinoVersione(L1(Mid(r, 29, 9)));
    } else {
        d.VersioneSw = Fisso(L1(Mid(r, 20, 6)), 9);
        d.VersioneCaric = Fisso(QString(), 9);
    }
    d.VersioneTabCentr = Fisso(QString(), 6);
    d.DataInstallazione = DataNessuna;
    d.DataRevCentr = 0.0;
    d.TipoInstCentr = 0;
}

void DecodificoRispostaCompleta(const QByteArray& r, bool tipiNonProtetti)
{
    DatiCentralinaRec& d = DatiCentralina;
    const int e = d.ErroriDati;
    if (tipiNonProtetti || !(e & ErroreTipo))
        d.TipoCentralina = ValIntero(Mid(r, 12, 2));
    else
        d.TipoCentralina = -1;
    const auto inst = DataGGMMAAAA(Mid(r, 4, 8));
    d.DataInstallazione = (e & ErroreDataInstallazione) || !inst ? 0.0 : GiorniDaData(*inst);
    const auto rev = DataGGMMAAAA(Mid(r, 14, 8));
    d.DataRevCentr = (e & ErroreDataRevisione) || !rev ? 0.0 : GiorniDaData(*rev);
    if (tipiNonProtetti || !(e & ErroreTipoInstallazione))
        d.TipoInstCentr = ValIntero(Mid(r, 22, 2));
    else
        d.TipoInstCentr = 0;
    d.Matricola = Fisso(L1(Mid(r, 24, 8)), 8);
    d.Lotto = Fisso(L1(Mid(r, 32, 6)), 6);
    d.VersioneTabCentr = Fisso(L1(Mid(r, 38, 2)), 6);
    if (r.size() == 61) {
        d.VersioneSw = Fisso(L1(Mid(r, 40, 9)), 9);
        d.VersioneCaric = RiordinoVersione(L1(Mid(r, 49, 9)));
    } else {
        d.VersioneSw = Fisso(L1(Mid(r, 40, 6)), 9);
        d.VersioneCaric = Fisso(QString(), 9);
    }
    d.SwVecchio = ControlloVersioneSW();
}
