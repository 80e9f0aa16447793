// Private-profile files come from outside (edited by hand, copied from other machines): any
// bytes must read without harm, and a write must read back and keep the other keys.
#include "platform/PrivateProfile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        return 0;
    const QString file = dir.filePath(QStringLiteral("ZEQINST.INI"));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    static const char* const sezioni[] = {"PORTE", "Config", "a", "S"};
    static const char* const chiavi[] = {"COM1", "Telefono", "k", "K", "x"};
    QString prima[4][5];
    for (int s = 0; s < 4; ++s)
        for (int k = 0; k < 5; ++k) {
            QString b;
            const int n = LeggoProfilo(sezioni[s], chiavi[k], QStringLiteral("?"), b, file);
            if (n != b.size() || n > 254)
                std::abort();
            prima[s][k] = b;
        }
    // Write one key; it must read back and every other key must read as before.
    const QString valore = QStringLiteral("v%1").arg(size);
    if (!ScrivoProfilo(QStringLiteral("Config"), QStringLiteral("k"), valore, file))
        std::abort();
    for (int s = 0; s < 4; ++s)
        for (int k = 0; k < 5; ++k) {
            const QString b = LeggoProfilo(sezioni[s], chiavi[k], QStringLiteral("?"), file);
            const bool scritta = s == 1 && (k == 2 || k == 3);  // "k" and "K" are one key
            if (scritta ? b != valore : b != prima[s][k])
                std::abort();
        }
    return 0;
}
