#include "support/Ambiente.h"

#include "archive/Archivio.h"

#include <QLineEdit>

// The card's dates and the identification's previous overhaul date share one rule: a real
// calendar date from its digits, year 100 or later, never read through the locale.
TEST(DateScheda, RealCalendarDatesFromYear100)
{
    struct Caso {
        const char *g, *m, *a;
        int annoMinimo;
        QDate attesa;
    };
    const Caso casi[] = {
        {"31", "02", "2020", 100, {}},
        {"29", "02", "2024", 100, QDate(2024, 2, 29)},
        {"29", "02", "2023", 100, {}},
        {"01", "13", "2020", 100, {}},
        {"05", "03", "0099", 100, {}},
        {"05", "03", "0099", 1, QDate(99, 3, 5)},
        {"05", "03", "0100", 100, QDate(100, 3, 5)},
        {"05", "03", "21", 100, {}},
        {"5", "3", "2003", 100, QDate(2003, 3, 5)},
        {"05", " 3", "2003", 100, QDate(2003, 3, 5)},
        {"0x", "03", "2003", 100, {}},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(Archivi::DataDaParti(c.g, c.m, c.a, c.annoMinimo), c.attesa) << c.g << "/" << c.m << "/" << c.a;
}

using DateVeicolo = AmbienteVeicolo;

// A two-digit overhaul year on the screen is not a date: the ECU's overhaul date then marks
// the card changed instead of being compared with a widened year.
TEST_F(DateVeicolo, TwoDigitOverhaulYearIsNotWidened)
{
    for (const char* anno : {"2021", "21"}) {
        SCOPED_TRACE(anno);
        v->AutoImp[3]->setText("01");
        v->AutoImp[4]->setText("01");
        v->AutoImp[5]->setText(anno);
        v->Attivo_Click();
        ricevo(TramaDCSemplice());
        // The card holds this very ECU: only the dates can mark it changed.
        DatiCentralina.TipoCentralina = 3;
        DatiCentralina.Matricola = "SN000123";
        DatiCentralina.Lotto = "LT0042";
        DatiCentralina.VersioneSw = "03.10ABCD";
        Shell.DatiModificati = false;
        ricevo(Identita{}.R8());   // overhaul date 01/01/2021 in the ECU
        EXPECT_EQ(Shell.DatiModificati, QByteArray(anno) == "21");
        EXPECT_EQ(v->AutoImp[5]->text(), "2021");
        Link.FaseCom = FASE_LIBERA;
        Link.Collegato = false;
    }
}
