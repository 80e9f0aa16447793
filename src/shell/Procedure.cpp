#include "shell/Procedure.h"

#include "catalogue/MapFiles.h"

#include <QLineEdit>
#include <QLocale>
#include <QTime>

void CambioVirgola(QString& testo)
{
    testo.replace(QLatin1Char(','), QLatin1Char('.'));
}

QString DueCifre(int n)
{
    return (QStringLiteral("00") + QString::number(n)).right(2);
}

bool LeggoNumeroEsatto(const QByteArray& testo, NumeroEsatto& valore)
{
    const QByteArray s = testo.trimmed();
    int i = 0;
    bool negativo = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negativo = s[i++] == '-';
    qint64 num = 0, den = 1;
    int cifre = 0;
    bool punto = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            if (++cifre > 18)
                return false;
            num = num * 10 + (c - '0');
            if (punto)
                den *= 10;
        } else if (c == '.' && !punto) {
            punto = true;
        } else {
            return false;
        }
    }
    if (cifre == 0)
        return false;
    valore = {negativo ? -num : num, den};
    return true;
}

static int DecimaliFormato(const QString& formato)
{
    const int punto = formato.indexOf(QLatin1Char('.'));
    return punto < 0 ? 0 : int(formato.size() - punto - 1);
}

QString FormattoNumero(NumeroEsatto valore, const QString& formato)
{
    const int decimali = qBound(0, DecimaliFormato(formato), 9);
    __int128 scala = 1;
    for (int i = 0; i < decimali; ++i)
        scala *= 10;
    __int128 num = __int128(valore.num) * scala;
    const __int128 den = valore.den > 0 ? valore.den : 1;
    const bool negativo = num < 0;
    if (negativo)
        num = -num;
    // Halves away from zero: (2n + d) / 2d on the magnitude.
    __int128 q = (2 * num + den) / (2 * den);
    const bool zero = q == 0;
    QByteArray cifre;
    do {
        cifre.prepend(char('0' + int(q % 10)));
        q /= 10;
    } while (q > 0);
    if (cifre.size() <= decimali)
        cifre.prepend(QByteArray(decimali + 1 - cifre.size(), '0'));
    if (decimali > 0)
        cifre.insert(cifre.size() - decimali, '.');
    if (negativo && !zero)
        cifre.prepend('-');
    return QString::fromLatin1(cifre);
}

QString FormattoNumero(double valore, const QString& formato)
{
    NumeroEsatto n;
    const QByteArray testo = QByteArray::number(valore, 'f', QLocale::FloatingPointShortest);
    if (LeggoNumeroEsatto(testo, n))
        return FormattoNumero(n, formato);
    // Beyond 18 digits a double is a whole number and has no half to round.
    return QString::fromLatin1(QByteArray::number(valore, 'f', qBound(0, DecimaliFormato(formato), 9)));
}

QByteArray InteroDaTesto(QByteArrayView testo)
{
    const QByteArrayView p = PrefissoNumero(testo);
    if (p.isEmpty())
        return QByteArrayLiteral("0");
    NumeroEsatto n;
    if (!LeggoNumeroEsatto(p.toByteArray(), n))
        return {};
    return FormattoNumero(n, QStringLiteral("#0")).toLatin1();
}

QString Allineato(const QByteArray& testo, int lunghezza)
{
    if (testo.isEmpty() || testo.size() > lunghezza)
        return {};
    return QString::fromLatin1(testo).rightJustified(lunghezza, QLatin1Char(' '));
}

static void Colore(QLineEdit* e, Qt::GlobalColor c)
{
    QPalette p = e->palette();
    p.setColor(QPalette::Text, c);
    e->setPalette(p);
}

bool ValoreInCasella(QLineEdit* casella, const QByteArray& testo)
{
    const QString t = Allineato(testo, casella->maxLength());
    if (t.isEmpty())
        return false;
    Colore(casella, Qt::black);
    casella->setText(t);
    return true;
}

void PredefinitoInCasella(QLineEdit* casella, const QString& testo)
{
    Colore(casella, Qt::red);
    casella->setText(testo);
}

static double orologioDiSistema()
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

static double (*g_orologio)() = orologioDiSistema;

double SecondiDaMezzanotte()
{
    return g_orologio();
}

void ImpostaOrologio(double (*orologio)())
{
    g_orologio = orologio ? orologio : orologioDiSistema;
}

void Attendo(double secondi)
{
    const double inizio = SecondiDaMezzanotte();
    for (;;) {
        double trascorso = SecondiDaMezzanotte() - inizio;
        if (trascorso < 0)
            trascorso += 86400.0;
        if (trascorso >= secondi)
            return;
    }
}

#include "platform/DriveSearch.h"

QString CercoFile(const QString& unita, const QString& nomeFile, const QStringList& listaUnita)
{
    // The work lists are kept in memory: no list files are written to the current folder.
    const QStringList radici = unita == QLatin1String("*") ? listaUnita : QStringList{unita};
    return CercaCartella(radici, nomeFile);
}

#include "platform/ExternalProgram.h"
#include "platform/Files.h"
#include "platform/PrivateProfile.h"
#include "shell/Modulo.h"

#include "platform/Form.h"

QString CartellaProgrammaEsterno(const QString& sezione, const QString& nomeOriginale, bool ricordo)
{
    const QString programma = ProgrammaEsterno(nomeOriginale);
    const QString file = FileConfigurazione();
    Shell.LungIni = LeggoProfilo(sezione, QStringLiteral("Directory"), QString(), Shell.BufferIni, file);
    const QString ricordata = Shell.BufferIni.left(Shell.LungIni);
    if (!ricordata.isEmpty() && Esiste(Files::Percorso(ricordata, programma), 0))
        return ricordata;
    QString trovata = CercaNelPath(programma);
    if (trovata.isEmpty()) {
        const int puntatore = PuntatoreAttuale();
        ImpostoPuntatore(11);
        trovata = CercoFile(QStringLiteral("*"), programma, RadiciLocali());
        ImpostoPuntatore(puntatore);
    }
    if (ricordo && !trovata.isEmpty())
        ScrivoProfilo(sezione, QStringLiteral("Directory"), trovata, file);
    return trovata;
}
