#include "SchermoVeicolo.h"

#include "platform/PrivateProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>

namespace {
class Schema : public SchermoVeicolo {
protected:
    // A stand-in for the PDF viewer that leaves its arguments behind.
    void visore()
    {
        const QString dir = cartella->file("VIEWER");
        QDir().mkpath(dir);
        const QString script = dir + "/xdg-open";
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        // It fails, as the desktop's opener does when nothing can show the file, while a
        // ".fails" file lies beside it; it runs on, as a reader does until it is closed, while
        // a ".runs" file does.
        f.write("#!/bin/sh\necho $$ > \"$0.pid\"\n"
                "printf '%s|%s' \"$#\" \"$1\" > \"$0.args.tmp\" && mv \"$0.args.tmp\" \"$0.args\"\n"
                "while [ -e \"$0.runs\" ]; do sleep 0.05; done\n"
                "[ ! -e \"$0.fails\" ]\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        argomenti = script + ".args";
        // Found by the search, then remembered.
        qputenv("PATH", (dir + ":" + pathPrima).toLocal8Bit());
    }
    void TearDown() override
    {
        qputenv("PATH", pathPrima);
        SchermoVeicolo::TearDown();
    }
    QString ricordata() const { return LeggoProfilo("ACROBAT", "Directory", "", FileConfigurazione()); }
    const QByteArray pathPrima = qgetenv("PATH");
    QString avviato()
    {
        if (!AttendiFinche([&] { return QFileInfo::exists(argomenti); }, 30000))
            return {};
        QFile f(argomenti);
        f.open(QIODevice::ReadOnly);
        const QString t = QString::fromUtf8(f.readAll());
        f.close();
        QFile::remove(argomenti);
        return t;
    }
    void scelgo(int gas, const QString& marca, int modello, int centralina)
    {
        v->Impianto->setCurrentIndex(gas);
        v->Impianto_Click();
        for (int i = 0; i < v->ElMarca->count(); ++i)
            if (v->ElMarca->item(i)->text() == marca)
                v->ElMarca->setCurrentRow(i);
        v->ElMarca_DblClick();
        v->ElModello->setCurrentRow(modello);
        v->ElModello_DblClick();
        v->CentrBenz->setCurrentRow(centralina);
        v->CentrBenz_DblClick();
    }
    QString argomenti;
};
} // namespace

TEST_F(Schema, WiringDiagramOpensTheModelsPdfAsOneArgument)
{
    const QByteArray record = QByteArray("BLUE SKY ONE").leftJustified(41, ' ') + "   4" +
                              QByteArray("SKY ECU").leftJustified(40, ' ') + QByteArray(80, ' ') +
                              QByteArray("SKY1").leftJustified(12, ' ') + "E  ";
    cartella->scrivi("BLUE SKY.PRN", record + "\r\n");
    cartella->scrivi("BLUE SKY/SKY1/CENTRAL1/SKY1.PDF", "%PDF-1.4\n");
    QFile::remove(cartella->file("AURELIA/BREZZA12/CENTRAL2/BREZZA12M.PDF"));
    apro({{"AB1", "A"}});
    visore();
    caricoTarga("AB1");
    v->DatiCli->setCurrentIndex(1);
    struct Caso {
        const char* nome;
        int gas;
        QString marca;
        int modello, centralina;
        QString schema;   // "" = message 200
        bool fallisce = false;   // the opener fails, with no folder remembered
        bool tardi = false;      // it fails only after running on: no box, the folder remembered
    };
    const Caso casi[] = {
        {"LPG", 0, "AURELIA", 0, 0, "AURELIA/BREZZA12/CENTRAL1/BREZZA12.PDF"},
        {"the opener fails: 202, nothing remembered", 0, "AURELIA", 0, 0, "AURELIA/BREZZA12/CENTRAL1/BREZZA12.PDF", true},
        {"a reader that fails later", 0, "AURELIA", 0, 0, "AURELIA/BREZZA12/CENTRAL1/BREZZA12.PDF", true, true},
        {"CNG with its M.PDF", 1, "AURELIA", 0, 1, "AURELIA/BREZZA12/CENTRAL3/BREZZA12M.PDF"},
        {"CNG falls back to .PDF", 1, "AURELIA", 0, 0, "AURELIA/BREZZA12/CENTRAL2/BREZZA12.PDF"},
        {"a make with a blank", 0, "BLUE SKY", 0, 0, "BLUE SKY/SKY1/CENTRAL1/SKY1.PDF"},
        {"no diagram", 1, "BLUE SKY", 0, 0, ""},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        scelgo(c.gas, c.marca, c.modello, c.centralina);
        if (c.marca == "BLUE SKY" && c.gas == 1)
            QFile::remove(cartella->file("BLUE SKY/SKY1/CENTRAL1/SKY1.PDF"));
        if (c.fallisce) {
            cartella->scrivi("VIEWER/xdg-open.fails", "");
            ScrivoProfilo("ACROBAT", "Directory", "", FileConfigurazione());
        }
        if (c.tardi)
            cartella->scrivi("VIEWER/xdg-open.runs", "");
        RegistroBox box;
        v->LanciaSchemi_Click();
        if (c.schema.isEmpty()) {
            EXPECT_EQ(box.testi(), QStringList{Msg(200)});
            continue;
        }
        EXPECT_EQ(avviato(), "1|" + QDir(cartella->path()).filePath(c.schema));
        // A failure is told when the opener ends at once; the folder is remembered after a
        // success or once the reader has run on.
        const bool detto = c.fallisce && !c.tardi;
        const QString attesa = detto ? QString() : cartella->file("VIEWER");
        EXPECT_TRUE(AttendiFinche([&] { return detto ? box.conta() > 0 : ricordata() == attesa; }, 20000));
        if (c.tardi) {
            const pid_t pid = cartella->leggi("VIEWER/xdg-open.pid").trimmed().toInt();
            ASSERT_GT(pid, 0);
            QFile::remove(cartella->file("VIEWER/xdg-open.runs"));
            // The process is gone only once the program has taken in its end.
            EXPECT_TRUE(AttendiFinche([&] { return ::kill(pid, 0) != 0; }, 20000));
        }
        EXPECT_EQ(box.testi(), detto ? QStringList{Msg(202)} : QStringList{});
        EXPECT_EQ(ricordata(), attesa);
        QFile::remove(cartella->file("VIEWER/xdg-open.fails"));
    }
    // Nothing chosen: the first missing choice is asked for.
    caricoTarga("NEW1");
    RegistroBox box;
    v->LanciaSchemi_Click();
    EXPECT_EQ(box.testi(), QStringList{Msg(143)});
}

TEST_F(Schema, StagingCatalogueIsMadeOnDemand)
{
    apro({{"AB1", "A"}});
    caricoTarga("AB1");
    ASSERT_FALSE(QFileInfo::exists(cartella->file("TEMPOR")));
    cartella->scrivi("TEMPOR/NUOVA.PRN", QByteArray("NEW MODEL").leftJustified(41, ' ') + "   4" +
                                             QByteArray("NEW ECU").leftJustified(40, ' ') + QByteArray(80, ' ') +
                                             QByteArray("NEW1").leftJustified(12, ' ') + "G  \r\n");
    QDir().mkpath(cartella->file("TEMPOR/NUOVA"));
    v->MarcaP->setChecked(true);
    v->MarcaP_Click();
    EXPECT_EQ(StatoVeicolo.TipoTab, 1);
    ASSERT_EQ(v->ElMarca->count(), 1);
    EXPECT_EQ(v->ElMarca->item(0)->text(), "NUOVA");
    EXPECT_TRUE(Shell.DatiModificati);
    QDir(cartella->file("TEMPOR")).removeRecursively();
    v->MarcaP_Click();
    EXPECT_TRUE(QFileInfo(cartella->file("TEMPOR")).isDir());
}
