#pragma once
// Helpers shared by the tests: a temporary program folder, a pseudo-terminal pair, a
// recorder that answers the program's message boxes, and event-loop waits.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <functional>

#include "platform/BoxHost.h"

#include <ostream>

// Readable QString / QByteArray values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << '"' << b.toStdString() << '"'; }

// A fresh program folder; Shell.PathApp and the platform's program folder point at it while
// the object lives.
class CartellaProgramma {
public:
    CartellaProgramma();
    ~CartellaProgramma();
    QString path() const { return m_dir.path(); }
    QString file(const QString& relativo) const;
    // Writes a file (creating folders) below the program folder.
    void scrivi(const QString& relativo, const QByteArray& contenuto) const;
    QByteArray leggi(const QString& relativo) const;
private:
    QTemporaryDir m_dir;
    QString m_vecchioPath;
};

// A raw pseudo-terminal (no echo, no CR/LF translation). The program opens slavePath();
// the test reads and writes the master side.
class Pty {
public:
    Pty();
    ~Pty();
    bool ok() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    int master() const { return m_master; }
    void scrivi(const QByteArray& dati);
    // Reads what is available on the master within timeoutMs (processing Qt events meanwhile).
    QByteArray leggi(int timeoutMs = 200);
    // Reads until the data received contains `atteso` or the time runs out.
    QByteArray leggiFino(const QByteArray& atteso, int timeoutMs = 20000);
    // Drops what the master wrote and the slave side has not read: the slave stays open here,
    // so unlike a wire it would keep what came while the program had the port closed.
    void scartaNonLetto();
private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

// Answers every message box with a fixed answer (or a function) and records them.
// Sets or clears the immutable flag of a file or folder; false where the system refuses it.
bool SetImmutable(const QString& path, bool si);

// A folder that takes no new file while this lives: read-only and, where the administrator
// still gets past that, immutable. closed() is false where neither holds on this system.
class ClosedFolder {
public:
    explicit ClosedFolder(const QString& cartella);
    ~ClosedFolder();
    bool closed() const { return m_chiusa; }
private:
    QString m_cartella;
    bool m_immutabile = false;
    bool m_chiusa = false;
};

class RegistroBox {
public:
    explicit RegistroBox(int risposta = -1);
    explicit RegistroBox(BoxHost::Risponditore r);
    ~RegistroBox();
    const QList<RiquadroMostrato>& box() const { return BoxHost::Registro(); }
    int conta() const { return BoxHost::Registro().size(); }
    QStringList testi() const;
};

// Points port COMn at a device: writes COMn=<dispositivo> in section PORTE of the program
// folder's ZEQINST.INI (set up a CartellaProgramma first).
void MappaPorta(int n, const QString& dispositivo);

// Processes events until cond() is true or the time runs out; returns cond(). The bound is
// generous: a wait ends as soon as its condition holds, and a busy machine running the
// sanitizer builds may need seconds for what takes milliseconds alone.
bool AttendiFinche(const std::function<bool()>& cond, int timeoutMs = 20000);

