// The identity record: field checks, the software generation gate, the decoding of both
// reply forms and the display form of the versions.
#include "support/Ambiente.h"

TEST(ControlloDatiCentralina, EveryValidationBit)
{
    const struct { const char* nome; Identita id; int bits; } casi[] = {
        {"sound", {}, 0},
        {"type not numeric", {.tipo = "X3"}, 1},
        {"type blank", {.tipo = "  "}, 1},
        {"31 February", {.inst = "31022021"}, 2},
        {"29 February leap year", {.inst = "29022020"}, 0},
        {"29 February other year", {.inst = "29022021"}, 2},
        {"01/01/1900 is a valid date", {.inst = "01011900"}, 0},
        {"overhaul month 13", {.rev = "01132021"}, 4},
        {"overhaul blank", {.rev = "        "}, 4},
        {"installation type blank and 1", {.tipoInst = " 1"}, 0},
        {"installation type 01", {.tipoInst = "01"}, 0},
        {"installation type 2", {.tipoInst = "2 "}, 8},
        {"installation type letters", {.tipoInst = "AB"}, 8},
        {"all at once", {.inst = "00002020", .tipo = "??", .rev = "3202xxxx", .tipoInst = "9 "}, 15},
    };
    for (const auto& c : casi)
        EXPECT_EQ(ControlloDatiCentralina(c.id.R8()), c.bits) << c.nome;
    // Fields beyond the end of a cut reply fail their checks.
    EXPECT_EQ(ControlloDatiCentralina("R8 150320"), 15);
}

TEST(ControlloVersioneSW, GenerationGate)
{
    const struct { int tipo; const char* versione; bool vecchio; } casi[] = {
        {1, "09.00AAAA", true}, {0, "03.00", true},  {-1, "03.00", true},
        {3, "00.10", false},    {3, "01.99", true},  {3, "02.49", true},
        {3, "02.50", false},    {3, "03.00", false}, {2, "         ", true},
        {2, "02.5", true},      {9, "10.00", false},
    };
    for (const auto& c : casi) {
        DatiCentralina.reset();
        DatiCentralina.TipoCentralina = c.tipo;
        DatiCentralina.VersioneSw = Fisso(QString::fromLatin1(c.versione), 9);
        EXPECT_EQ(ControlloVersioneSW(), c.vecchio) << c.tipo << " " << c.versione;
    }
}

TEST(DatiCentralina, ResetGivesBlankFixedStrings)
{
    DatiCentralina.Matricola = "X";
    AzzeroDatiCentralina();
    const auto& d = DatiCentralina;
    EXPECT_EQ(d.Matricola, QString(8, ' '));
    EXPECT_EQ(d.Lotto, QString(6, ' '));
    EXPECT_EQ(d.VersioneSw, QString(9, ' '));
    EXPECT_EQ(d.VersioneCaric, QString(9, ' '));
    EXPECT_EQ(d.VersioneTabCentr, QString(6, ' '));
    EXPECT_EQ(d.TipoCentralina, -1);
    EXPECT_TRUE(d.SwVecchio);
    EXPECT_EQ(d.DataInstallazione, -700000.0);
}

TEST(DatiCentralina, CompleteReplyLongAndShortForm)
{
    Identita id;
    DatiCentralina.reset();
    DatiCentralina.ErroriDati = ControlloDatiCentralina(id.R8());
    DecodificoRispostaCompleta(id.R8());
    const auto& d = DatiCentralina;
    EXPECT_EQ(d.TipoCentralina, 3);
    EXPECT_EQ(DataDaGiorni(d.DataInstallazione), QDate(2020, 3, 15));
    EXPECT_EQ(DataDaGiorni(d.DataRevCentr), QDate(2021, 1, 1));
    EXPECT_EQ(d.Matricola, "SN000123");
    EXPECT_EQ(d.Lotto, "LT0042");
    EXPECT_EQ(d.VersioneTabCentr, "07    ");
    EXPECT_EQ(d.VersioneSw, "03.10ABCD");
    EXPECT_EQ(d.VersioneCaric, "01.AB0012");
    EXPECT_FALSE(d.SwVecchio);

    // 60 characters is read as the short form.
    QByteArray sessanta = id.R8();
    sessanta.remove(50, 1);
    DecodificoRispostaCompleta(sessanta);
    EXPECT_EQ(d.VersioneSw, "03.10A   ");
    EXPECT_EQ(d.VersioneCaric, QString(9, ' '));

    // Fields whose bits are set take their none values.
    id.tipo = "XX";
    id.inst = "99999999";
    id.tipoInst = "5 ";
    DatiCentralina.ErroriDati = ControlloDatiCentralina(id.R8());
    DecodificoRispostaCompleta(id.R8());
    EXPECT_EQ(d.TipoCentralina, -1);
    EXPECT_EQ(d.DataInstallazione, 0.0);
    EXPECT_EQ(d.TipoInstCentr, 0);
}

TEST(DatiCentralina, ShortReplyForms)
{
    Identita id;
    DecodificoRispostaBreve(id.R4());
    const auto& d = DatiCentralina;
    EXPECT_EQ(d.ErroriDati, 14);
    EXPECT_EQ(d.Matricola, "SN000123");
    EXPECT_EQ(d.VersioneSw, "03.10ABCD");
    EXPECT_EQ(d.VersioneCaric, "01.AB0012");
    EXPECT_EQ(d.DataInstallazione, DataNessuna);
    EXPECT_EQ(d.DataRevCentr, 0.0);
    EXPECT_EQ(d.VersioneTabCentr, QString(6, ' '));
    id.lunga = false;
    ASSERT_EQ(id.R4().size(), 29);
    DecodificoRispostaBreve(id.R4());
    EXPECT_EQ(d.VersioneSw, "03.10A   ");
    EXPECT_EQ(d.VersioneCaric, QString(9, ' '));
}

TEST(DatiCentralina, DisplayFormOfTheSoftwareVersion)
{
    DatiCentralina.VersioneSw = "ABCDEFGHI";
    EXPECT_EQ(VersioneSwVisualizzata(), "ABCHIDEFG");
    DatiCentralina.VersioneSw = "03.10A   ";
    EXPECT_EQ(VersioneSwVisualizzata(), "03.10A   ");
}

TEST(Val, ReadsTheLeadingNumber)
{
    EXPECT_EQ(Val(" 1"), 1.0);
    EXPECT_EQ(Val("12abc"), 12.0);
    EXPECT_EQ(Val("ab"), 0.0);
    EXPECT_EQ(Val("  -1.25"), -1.25);
    EXPECT_EQ(ValIntero("07"), 7);
    EXPECT_TRUE(Numerico(" 1"));
    EXPECT_TRUE(Numerico("1.5 "));
    EXPECT_FALSE(Numerico(""));
    EXPECT_FALSE(Numerico("1a"));
    EXPECT_FALSE(Numerico("-"));
}
