#pragma once
// PROVISIONAL: stands for catalogue/PersonalMaps.h and catalogue/StatoCatalogo.h until the
// catalogue's personalised-map routines are on main. Remove this file and include those
// headers instead after merging.
#include <QString>
#include <functional>

struct StatoCatalogoRec {
    int TipoGas = -1;
    int TipoInstallazione = -1;
    QString DirCentralina;
    QString Cliente;
    std::function<void(const QString&)> MostroTipoInst;
    void reset() { *this = StatoCatalogoRec(); }
};
extern StatoCatalogoRec StatoCatalogo;

QString DescrizioneTipoMappa(int tipo);
void CancelloMappePersonali();
void ImpostoTipoInstallazione();
