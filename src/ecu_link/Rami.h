#pragma once
// The branches of the reply processor, one per group of reply codes. Each acts only in
// the request states that await its reply and ignores the reply otherwise.
#include <QByteArray>

// R0 (message not received) and R2 (error during the communication).
void RispostaErrore(const QByteArray& riga);
// R4 and R8: the identification replies.
void LeggoIdentificazione(const QByteArray& riga);
// R1, R5, R6, R7, R9: data-image upload and installation date.
void MandoTabella(const QByteArray& riga);
// RZ: a page of the personal map read-out.
void SalvoPersonale(const QByteArray& riga);
// Rd, Re: pressure value read and stored.
void RispostaPressione(const QByteArray& riga);
// Rfr, Rfn: parameter pages; Rfs: parameters saved.
void RispostaParametri(const QByteArray& riga);
void RispostaParametriSalvati(const QByteArray& riga);
// "F" replies of the flash programming (only in states 5 and 20).
void RispostaProgrammazione(const QByteArray& riga);
// DB, DC, DT: live-data frames.
void LeggoDatiMotore(const QByteArray& riga);

// Files that a transfer keeps open between replies; closed by the error trap.
void ChiudoFileProgrammazione();
void ChiudoFilePersonale();
