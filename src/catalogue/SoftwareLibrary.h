#pragma once
// The ECU software library (PathApp/SOFTWARE) and the programming image.
//
// Base software for programming images lies in SOFTWARE/<nn>/<NAME>/<NAME>.S19, where
// <NAME> is the 4-character software name carried by the S0 header of the vehicle's .F19
// map. The programming image <NAME>.ULP beside it is one S-record file: the map's header,
// the base software, the PWM and PCM table records, the map records (the revision date and
// installation type patched into the record at 0x5606), the installation-date record at
// 0x800E and an end record carrying two 16-bit XOR sums.
#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

// ---- versions and descriptions ----

// The 9-character version text of a software file's bytes: from the S2 record at address
// 03FFEC (s2 true) or the S1 record at 3FF0, data bytes 0, 1, 2, 7, 8, 3, 4, 5, 6 in that
// order. Only the first such record counts; "" when it is missing, too short, not hex or
// holds a control character.
QString VersioneSoftware(const QByteArray& dati, bool s2);

// The same from a file; "" when the file cannot be read.
QString LeggoVersioneS2(const QString& nomeFile);
QString LeggoVersioneS1(const QString& nomeFile);

// The trimmed first line (ended by CR, LF or CR LF) of the description file beside a
// software file (the name with its last three characters replaced by "TXT"), decoded from
// Windows-1252; "" when it is missing or unreadable.
QString LeggoDescrizioneSW(const QString& nomeFile);

// Creates every missing folder of the path ("\" or "/" separated). 0, or 1 on any error.
int CreoPercorso(const QString& percorso);

// ---- software look-up ----

// Text carried by the header (S0) line of an S-record map: `caratteri` characters, each as a
// pair of hex digits, the first pair at character `posizione` (from 1; the header's text
// starts at 13: map-table version 13-16, software name 17-24). Latin-1 bytes; "" when the
// line is too short or a pair is not hex.
QByteArray TestoIntestazione(QByteArrayView riga, int posizione, int caratteri);

// The software name carried by a map header line: characters 17-24 as four hex-coded
// characters; "" when the line is too short, not hex, or the name cannot be a file name.
QString NomeSoftwareDaIntestazione(QByteArrayView riga);

// Reads the software name from the first line of the map .F19 nomeFile into nome. 0 when
// PathApp/SOFTWARE/<nn>/<nome>/<nome>.S19 exists, 2 when it does not, 1 when the map cannot
// be read or does not name a usable software.
int CercoSoftware(const QString& nomeFile, QString& nome, int tipoCentralina);

// ---- programming image ----

// What the image takes from the vehicle screen besides the files.
struct DatiProgrammazione {
    QString DirValvole;                // rail folder with the PWM and PCM tables
    int TipoCentralina = -1;
    int TipoInstallazione = 0;         // 0 standard, 1 personalised
    std::array<QString, 6> AutoImp;    // installation day, month, year; revision day, month, year
    QDate Oggi;                        // today (the current date when null)
};

// XORs the counted words of one S-record line into somma: S1 records at 0x4000 and above,
// S2 records from 0x10000 to 0x3FFF7; the data bytes in pairs, high byte first, the
// checksum completing an odd last pair. primo: somma is set to the first word and primo
// cleared. False when the line is not a readable S-record.
bool SommoChecksum(QByteArrayView record, uint32_t& somma, bool& primo);

// Builds the image text from the software, the map .F19 and the two table .F19 texts.
// 0 done, 12 or 14 when the PWM or PCM records do not line up with the map's, 99 for
// anything else: a software without end record, a file running out, a line that is not
// a valid S-record, a patch record too short, a revision date that is not a date.
int ComponoProgrammazione(const QByteArray& software, const QByteArray& mappa,
                          const QByteArray& tabellaPWM, const QByteArray& tabellaPCM,
                          const DatiProgrammazione& dati, QByteArray& immagine);

// Builds the image for map mappaF19 and software nome and writes it atomically to
// fileUscita. Converts TABPWM<nn>.PWM / TABPCM<nn>.PCM of the rail folder into their .F19
// form first when only the text form exists (the text file is removed after success).
// 0 done; 11 no PWM table; 12 PWM conversion failed or not lined up; 13 and 14 the same
// for the PCM table; 99 map or software missing, or any other error. On failure
// fileUscita is left as it was and no work file remains.
int CreoFileProgrammazione(const QString& mappaF19, const QString& nome, const QString& fileUscita,
                           const DatiProgrammazione& dati);

// ---- the software list and the programming path of the send ----

// One row of the software list: "<folder>\<file>" and the file's version.
struct RigaSoftware {
    QString nome;
    QString versione;
};

// Every software file of the ECU family 02: for each sub-folder of PathApp/SOFTWARE/02 (in
// name order without regard to case) its files whose name ends in "S19" in any case (in the
// same order), with the S1 version for the loader folder KERNEL and the S2 version for the
// others.
QList<RigaSoftware> ElencoSoftware();

// Result code of the programming path of the send before the image is built. versioneSw is
// the ECU's software version (major in characters 1-2, minor in 4-5). Major "02" or above
// with minor below "50" (rule A) never gives 0: the installer is told what to update first.
// preparoMappa builds the .F19 from the .QOX (0 done); cercoSoftware reads the software
// name from the .F19 into nome (0 found, 2 missing, 1 unreadable).
// Codes: 0 build the image, 1-4 software or loader missing, 10 no map, 16 map unreadable,
// or the code of preparoMappa.
int CodiceProgrammazione(const QString& versioneSw, bool esisteF19, bool esisteQOX,
                         const std::function<int()>& preparoMappa,
                         const std::function<int(QString&)>& cercoSoftware, QString& nome);

// The message of a non-zero result of the programming path: 156 + c for 1-5, 155 + c for
// 10-16, 173 for 99 and for any other code.
int MessaggioProgrammazione(int codice);

// What the send dialog shows of a map's header line: the map version's number (characters
// 13-16), the software name (17-24) and the vehicle project code (37-46); each "" when the
// line is too short or not hex there.
struct VersioniIntestazione {
    QString versioneMappa;
    QString software;
    QString progetto;
};
VersioniIntestazione LeggoVersioniIntestazione(QByteArrayView riga);
