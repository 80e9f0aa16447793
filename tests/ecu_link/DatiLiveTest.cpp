// The live-frame codec, the live branch on both screens, the identity message, the relay
// to the assistance station and the recording buffer.
#include "support/Ambiente.h"
#include "remote/ModemLink.h"

#include "diagnosis/TarMP.h"
#include "ecu_link/CodecDati.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <cstdlib>

namespace {

// A binary record ("DB", 14 words, fuel) with word k = w and the others 0.
QByteArray Binario(int k, uint16_t w, char carburante = 'B')
{
    QByteArray b = "DB" + QByteArray(28, '\0');
    b[2 + 2 * k] = char(w >> 8);
    b[3 + 2 * k] = char(w & 0xFF);
    return b + carburante;
}

class Live : public AmbienteLink {
protected:
    DatiMotore* d = nullptr;
    void schermoDati()
    {
        Shell.Funzione = 2;
        d = DatiMotore::Carica();
        scritto.clear();
    }
};

} // namespace

TEST(CodecDati, EveryWordOfEveryFieldSurvivesTheRoundTrip)
{
    for (int k = 0; k < 14; ++k) {
        for (int w = 0; w <= 0xFFFF; ++w) {
            const QByteArray testo = ConvertoDatiBinari(Binario(k, uint16_t(w)));
            ASSERT_EQ(testo.size(), 131);
            const QByteArray trama = ConvertoDatiTesto(testo);
            ASSERT_EQ(TolgoEscape(trama.left(trama.size() - 2)), Binario(k, uint16_t(w)))
                << "field " << k << " word " << w << " text " << testo.mid(2 + 9 * k, 8).constData();
        }
    }
    // Text to word: halves to even, reading stops at the first other character, the low 16 bits.
    const struct { int k; QByteArray campo; uint16_t w; } casi[] = {
        {5, "     2.5", 2},  {5, "     3.5", 4},      {5, "    -2.5", 0xFFFE}, {0, "    0.05", 0},
        {0, "    0.15", 2}, {5, "   12x34", 12},     {5, "     abc", 0},      {5, "   70000", 70000 - 65536},
        {13, "99999999", uint16_t(99999999000LL & 0xFFFF)}, {13, "   1.2.5", 1200},
    };
    for (const auto& c : casi) {
        QByteArray testo = ConvertoDatiBinari(Binario(0, 0));
        testo.replace(2 + 9 * c.k, 8, c.campo);
        const QByteArray b = TolgoEscape(ConvertoDatiTesto(testo).chopped(2));
        EXPECT_EQ(b.mid(2 + 2 * c.k, 2), Binario(c.k, c.w).mid(2 + 2 * c.k, 2)) << c.campo.constData();
    }
    // A record without its line end still carries the fuel.
    const QByteArray senzaFine = ConvertoDatiBinari(Binario(3, 1234, 'G')).chopped(2);
    ASSERT_EQ(senzaFine.size(), 129);
    EXPECT_EQ(TolgoEscape(ConvertoDatiTesto(senzaFine).chopped(2)), Binario(3, 1234, 'G'));
}

TEST(CodecDati, StuffedCharacters)
{
    const struct { char in; QByteArray out; } casi[] = {
        {'D', "\x1b" "d"}, {'B', "\x1b" "b"}, {char(27), "\x1b;"}, {'\r', "\x1b-"},
        {'\n', "\x1b*"},   {'R', "R"},       {'F', "F"},          {char(0), QByteArray(1, '\0')},
        {char(0xFF), "\xFF"},
    };
    for (const auto& c : casi) {
        const QByteArray uno(1, c.in);
        EXPECT_EQ(CodificoDati(uno), c.out) << int(c.in);
        EXPECT_EQ(TolgoEscape(CodificoDati(uno)), uno) << int(c.in);
    }
    QByteArray tutti;
    for (int i = 0; i < 256; ++i)
        tutti += char(i);
    const QByteArray codificati = CodificoDati(tutti);
    for (char vietato : {'D', 'B', '\r', '\n'})
        EXPECT_FALSE(codificati.contains(vietato));
    EXPECT_EQ(TolgoEscape(codificati), tutti);
}

TEST(CodecDati, MalformedStuffingIsRejected)
{
    EXPECT_EQ(TolgoEscape("DB\x1b\x05xyz"), "");
    EXPECT_EQ(TolgoEscape("DBabc\x1b"), "");
    EXPECT_EQ(TolgoEscape("ab\x1b" "dc"), "abDc");
}

TEST(CodecDati, BinaryToTextExamples)
{
    EXPECT_EQ(ConvertoDatiBinari(Binario(0, 0xFFFF)).mid(2, 8), "    -0.1");
    EXPECT_EQ(ConvertoDatiBinari(Binario(9, 0x8000)).mid(2 + 9 * 9, 8), "  -32768");
    EXPECT_EQ(ConvertoDatiBinari(Binario(13, 0x007B)).mid(2 + 9 * 13, 8), "   0.123");
    EXPECT_EQ(ConvertoDatiBinari(Binario(6, 0x8000)).mid(2 + 9 * 6, 8), " -6553.6");
    const QByteArray t = ConvertoDatiBinari(Binario(0, 0, 'G'));
    EXPECT_EQ(t.at(128), 'G');
    EXPECT_TRUE(t.endsWith("\r\n"));
    EXPECT_EQ(ConvertoDatiBinari(QByteArray(29, '\0')), "");
    EXPECT_EQ(ConvertoDatiBinari(QByteArray(30, '\0')).size(), 130);
}

TEST(CodecDati, IdentityMessageLayout)
{
    DatiCentralina.reset();
    auto& c = DatiCentralina;
    c.ErroriDati = 14;
    c.DataInstallazione = 43905;
    c.TipoCentralina = -1;
    c.DataRevCentr = -700000;
    c.TipoInstCentr = 1;
    c.Matricola = "SN000123";
    c.Lotto = "LT0042";
    c.VersioneTabCentr = Fisso("07", 6);
    c.VersioneCaric = "01.AB0012";
    c.VersioneSw = "ABCDEFGHI";
    c.SwVecchio = false;
    const QByteArray m = MessaggioIdentita();
    ASSERT_EQ(m.size(), 62);
    EXPECT_EQ(m, "I00E   43905-1 -70000001SN000123LT004207    01.AB0012ABCHIDEFG");
    c.SwVecchio = true;
    EXPECT_TRUE(MessaggioIdentita().endsWith("ABCDEFGHI"));
    c.reset();
    EXPECT_EQ(MessaggioIdentita().mid(3, 21), "0 -700000-1 -70000000");
}

TEST(MessaggioGSM, FrameEscapingAndCheckCharacter)
{
    EXPECT_EQ(PreparoMessaggioGSM("AB"), QByteArray("\x02" "AB\x03\x03").replace("\x03\x03", "\x1b#\x03"));
    EXPECT_EQ(PreparoMessaggioGSM(""), QByteArray("\x02\x00\x03", 3));
    // Bytes 2, 3 and 27 of the text are escaped; the check covers the raw text.
    const QByteArray testo("a\x02" "b\x03" "c\x1b", 6);
    const QByteArray f = PreparoMessaggioGSM(testo);
    EXPECT_EQ(f, QByteArray("\x02" "a\x1b\x22" "b\x1b\x23" "c\x1b\x3b", 10) + char('a' ^ 2 ^ 'b' ^ 3 ^ 'c' ^ 27) + '\x03');
    EXPECT_EQ(f.count('\x02'), 1);
    EXPECT_EQ(f.count('\x03'), 1);
    EXPECT_EQ(TolgoEscape(f.mid(1, f.size() - 3)), testo);
}

TEST_F(Live, FramesOfTheWrongShapeAreDropped)
{
    schermoDati();
    Link.InterrogoDati = false;
    const QByteArray buona = TramaDCSemplice();
    QByteArray corta = buona;
    corta.remove(5, 1);
    QByteArray lunga = buona;
    lunga.insert(5, ' ');
    for (const QByteArray& t : {corta, lunga, QByteArray("DX\r\n"), QByteArray("DB\x1b\x01\r\n"),
                                QByteArray("DB12\r\n")})
        ricevo(t);
    EXPECT_EQ(Diagnosi.NumRighe, -1);
    EXPECT_FALSE(Link.DatiRicevuti);
    Shell.Funzione = 0;
    ricevo(buona);
    EXPECT_EQ(Diagnosi.NumRighe, -1);
    Shell.Funzione = 2;
    ricevo(buona);
    EXPECT_EQ(Diagnosi.NumRighe, 0);
    EXPECT_TRUE(d->CollegamentoAvviato());
}

TEST_F(Live, DbAndDcFramesFillTheSameRow)
{
    schermoDati();
    Link.InterrogoDati = false;
    const QByteArray dc = TramaDCSemplice();
    ricevo(dc);
    const RigaDati daDC = Diagnosi.DatiVideo[0];
    // The same values as words (value times the field's divisor), fuel "G".
    QByteArray parole;
    for (const int16_t w : {12000, 2000, 3505, 850, 4500, 77, 62, 3, 40, 850, 5, 60, 32, 123}) {
        parole += char(uint16_t(w) >> 8);
        parole += char(w & 0xFF);
    }
    ricevo("DB" + CodificoDati(parole + 'G') + "\r\n");
    const RigaDati& daDB = Diagnosi.DatiVideo[0];
    for (int k : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15})
        EXPECT_EQ(daDB.Valore[k], daDC.Valore[k]) << k;
    EXPECT_EQ(daDB.Valore[14], "  1000.0");
    EXPECT_EQ(daDB.Numero, 2);
    EXPECT_EQ(Diagnosi.BufferGraf[1].Numero, 2);
    EXPECT_EQ(Diagnosi.Campioni[1].Valore[9], "     850");
}

TEST_F(Live, DtFramesFeedTheMapTpsView)
{
    schermoDati();
    QByteArray dt = "DT" + QByteArray(125, '.') + "\r\n";
    dt.replace(20, 8, " MAP 123");
    dt.replace(56, 8, " TPS 456");
    ASSERT_EQ(dt.size(), 129);
    DatiMotore::FermoCollegamento();
    ricevo(dt);
    EXPECT_FALSE(Link.DatiRicevuti) << "view closed";
    EXPECT_TRUE(d->CollegamentoAvviato());
    d->T_MapTPS_Click();
    EXPECT_EQ(scritto.last(), "MT\r\n");
    EXPECT_EQ(Link.BufferTx, "MT\r\n");
    ricevo(dt);
    EXPECT_TRUE(Link.DatiRicevuti);
    EXPECT_EQ(TarMP::Istanza()->DatiMot1[0]->text(), " TPS 456");
    EXPECT_EQ(TarMP::Istanza()->DatiMot1[1]->text(), " MAP 123");
    ricevo("DT" + QByteArray(126, '.') + "\r\n");  // 130: ignored
    EXPECT_EQ(TarMP::Istanza()->DatiMot1[0]->text(), " TPS 456");
    TarMP::Istanza()->Esci_Click();
    EXPECT_EQ(scritto.last(), "MF\r\n");
    EXPECT_FALSE(Link.TarMPattivo);
    EXPECT_TRUE(d->isEnabled());
}

TEST_F(Live, VehicleScreenRestartsTheLinkWatchdogOnlyWhenIdle)
{
    Shell.Funzione = 1;
    Veicolo* v = Veicolo::Carica();
    const struct { int fase; bool collegato; bool datiOut; } casi[] = {
        {FASE_LIBERA, true, true},  {FASE_LIBERA, false, false},
        {FASE_SPEGNIMENTO, false, true}, {FASE_SPEGNIMENTO_SW, false, true},
        {FASE_LETTURA_PRESSIONE, true, false},
    };
    for (const auto& c : casi) {
        Link.FaseCom = c.fase;
        Link.Collegato = c.collegato;
        if (c.datiOut)
            Veicolo::FermoCollegamento();
        else
            Veicolo::AvvioCollegamento();
        ricevo(TramaDCSemplice());
        EXPECT_EQ(v->CollegamentoAvviato(), c.datiOut) << c.fase;
    }
    // An identity request due in another state is still sent once.
    scritto.clear();
    Link.FaseCom = FASE_LETTURA_PRESSIONE;
    Link.InterrogoDati = true;
    ricevo(TramaDCSemplice());
    EXPECT_EQ(scritto, QByteArrayList{"MUB\r\n"});
    EXPECT_FALSE(Link.InterrogoDati);
    EXPECT_FALSE(v->CollegamentoAvviato());
}

TEST_F(Live, RelayFirstSendsTheIdentityThenEveryFrame)
{
    schermoDati();
    Link.InterrogoDati = false;
    ImpostaModemDiProva([this](const QByteArray& b) { modem << b; });
    ricevo(TramaDCSemplice());
    EXPECT_TRUE(modem.isEmpty()) << "no call up";
    GSM.GSMattivo = true;
    GSM.PrimoInvioGSM = true;
    GSM.StatoGSM = GSM_CONNESSO;
    ricevo(TramaDCSemplice());
    ASSERT_EQ(modem.size(), 1);
    EXPECT_EQ(modem[0], PreparoMessaggioGSM(MessaggioIdentita()));
    EXPECT_EQ(Link.BufferTx, modem[0]);
    EXPECT_EQ(GSM.StatoGSM, GSM_ATTESA_IDENTITA);
    EXPECT_TRUE(GSM.InvioGSM);
    EXPECT_TRUE(d->ModemAvviato());
    ricevo(TramaDCSemplice());
    EXPECT_EQ(modem.size(), 1) << "waits for the station";
    // The station answered.
    GSM.InvioGSM = false;
    GSM.PrimoInvioGSM = false;
    GSM.StatoGSM = GSM_CONNESSO;
    QByteArray binaria(29, '\0');
    binaria[19] = 0x52;
    const QByteArray db = "DB" + CodificoDati(binaria) + "\r\n";
    ricevo(db);
    ASSERT_EQ(modem.size(), 2);
    EXPECT_EQ(modem[1], PreparoMessaggioGSM(ConvertoDatiBinari(TolgoEscape(db))));
}

TEST_F(Live, ModemTimeOutAfterTheIdentityMessage)
{
    schermoDati();
    GSM.StatoGSM = GSM_ATTESA_IDENTITA;
    GSM.InvioGSM = true;
    DatiMotore::AvvioModem();
    FireWatchdog(d, WatchdogTimer::TimeOutModem);
    EXPECT_FALSE(GSM.InvioGSM);
    EXPECT_EQ(GSM.StatoGSM, GSM_CONNESSO);
}

TEST_F(Live, ACarrierLostWhileTheIdentityWaitsLetsTheNextCallIdentifyAgain)
{
    schermoDati();
    Link.InterrogoDati = false;
    ImpostaModemDiProva([this](const QByteArray& b) { modem << b; });
    GSM.GSMattivo = true;
    GSM.PrimoInvioGSM = true;
    ricevo(TramaDCSemplice());
    ASSERT_EQ(GSM.StatoGSM, GSM_ATTESA_IDENTITA);
    DatiMotore::AvvioRisposta();
    GSM.BufferGSM = "\r\nNO CARRIER\r\n";
    GestioneGSM();
    EXPECT_FALSE(GSM.GSMattivo);
    EXPECT_FALSE(GSM.InvioGSM);
    EXPECT_TRUE(d->RispostaAvviata()) << "the ECU's identity watchdog keeps running";
    // A new call: the identity goes out again before any record.
    modem.clear();
    GSM.GSMattivo = true;
    ricevo(TramaDCSemplice());
    ASSERT_EQ(modem.size(), 1);
    EXPECT_EQ(modem[0], PreparoMessaggioGSM(MessaggioIdentita()));
}

TEST_F(Live, RecordingBufferIsWrittenWhenThe242ndRowArrives)
{
    schermoDati();
    Link.InterrogoDati = false;
    const QString file = cartella->file("DATI_GRAF.GRF");
    for (int i = 0; i < 241; ++i)
        ricevo(TramaDCSemplice());
    EXPECT_EQ(Diagnosi.NumRighe, 240);
    EXPECT_FALSE(QFile::exists(file));
    ricevo(TramaDCSemplice());
    EXPECT_EQ(Diagnosi.NumRighe, 0);
    const QByteArray dati = cartella->leggi("DATI_GRAF.GRF");
    ASSERT_EQ(dati.size(), 241 * 138);
    EXPECT_EQ(dati.left(8), "       1");
    EXPECT_EQ(dati.mid(138 * 240, 8), "     241");
    EXPECT_EQ(dati.mid(8 + 8 * 9, 8), "     850");
    EXPECT_EQ(dati.mid(8 + 8 * 15, 8), "G       ");
    EXPECT_EQ(dati.mid(136, 2), "\r\n");
    EXPECT_EQ(Diagnosi.BufferGraf[0].Numero, 242);
    EXPECT_EQ(Diagnosi.IndiceCampioni, 241);
}

TEST_F(Live, RecordingFileThatCannotBeWrittenStopsTheRecordingOnce)
{
    schermoDati();
    Link.InterrogoDati = false;
    // A folder where the file should be: it cannot be opened for appending.
    ASSERT_TRUE(QDir(cartella->path()).mkdir("DATI_GRAF.GRF"));
    for (int i = 0; i < 241 * 3 + 5; ++i)
        ricevo(TramaDCSemplice());
    EXPECT_TRUE(Diagnosi.RegistrazioneFallita);
    EXPECT_LE(Diagnosi.NumRighe, 240);
    EXPECT_EQ(d->Registrazione->text(), Msg(362));
    EXPECT_EQ(box->conta(), 0) << "no modal box in the receive path";
    EXPECT_EQ(Diagnosi.DatiVideo[0].Numero, 241 * 3 + 5) << "live data go on";
    // A new recording starts writing again.
    QDir(cartella->path()).rmdir("DATI_GRAF.GRF");
    AzzeroGrafici();
    EXPECT_FALSE(Diagnosi.RegistrazioneFallita);
    EXPECT_TRUE(d->Registrazione->text().isEmpty());
    for (int i = 0; i < 242; ++i)
        ricevo(TramaDCSemplice());
    EXPECT_EQ(cartella->leggi("DATI_GRAF.GRF").size(), 241 * 138);
}

TEST_F(Live, SampleRingWraps)
{
    schermoDati();
    Link.InterrogoDati = false;
    for (int i = 0; i < 622; ++i)
        ricevo(TramaDCSemplice());
    EXPECT_EQ(Diagnosi.IndiceCampioni, 0);
    EXPECT_EQ(Diagnosi.Campioni[0].Numero, 622);
    EXPECT_EQ(Diagnosi.Campioni[620].Numero, 621);
}

TEST_F(Live, ClosingTheMapTpsViewByItsCloseBoxBringsBackTheNormalFrames)
{
    schermoDati();
    d->T_MapTPS_Click();
    scritto.clear();
    TarMP::Istanza()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(TarMP::Caricato());
    EXPECT_EQ(scritto, QByteArrayList{"MF\r\n"});
    EXPECT_FALSE(Link.TarMPattivo);
    EXPECT_TRUE(d->isEnabled());
    // Esci sends the line once.
    d->T_MapTPS_Click();
    scritto.clear();
    TarMP::Istanza()->Esci_Click();
    EXPECT_EQ(scritto, QByteArrayList{"MF\r\n"});
}

TEST_F(Live, NewRecordingNeverAppendsToAnOldFileItCannotClear)
{
    schermoDati();
    Link.InterrogoDati = false;
    cartella->scrivi("DATI_GRAF.GRF", QByteArray(138, 'x'));
    const QString file = cartella->file("DATI_GRAF.GRF");
    // An append-only file: it can be neither removed nor emptied, only appended to.
    if (std::system(("chattr +a '" + file.toStdString() + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "append-only files are not available here";
    AzzeroGrafici();
    for (int i = 0; i < 242; ++i)
        ricevo(TramaDCSemplice());
    const QByteArray contenuto = cartella->leggi("DATI_GRAF.GRF");
    std::system(("chattr -a '" + file.toStdString() + "'").c_str());
    EXPECT_EQ(contenuto, QByteArray(138, 'x')) << "no new sample after the old one";
    EXPECT_TRUE(Diagnosi.RegistrazioneFallita);
    EXPECT_EQ(d->Registrazione->text(), Msg(362));
    EXPECT_EQ(Diagnosi.DatiVideo[0].Numero, 242) << "live data go on";
}
