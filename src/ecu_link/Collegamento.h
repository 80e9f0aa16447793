#pragma once
// The link state on the vehicle screen and the error replies R0 and R2.

// Shows the link flag on the vehicle screen: caption and the swap of Attivo / Tasto_Inf.
void AggiornoStatoCollegamento();

// Enables or disables the whole vehicle screen while a request runs.
void ImpostoProprietaVeicolo(bool abilitato);

// Gives the identity record the values of an ECU of the oldest generation without
// identity data (the ECU streams live frames but refuses the identity request).
void IdentitaSenzaDati();
