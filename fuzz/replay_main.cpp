// Replays every file of a corpus folder through the fuzz target, so the corpus runs as an
// ordinary test under any compiler.
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    // A widget application, offscreen: the targets then run the branches that show boxes
    // and change the pointer as well.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s corpus-folder\n", argv[0]);
        return 2;
    }
    int n = 0;
    QDirIterator it(QString::fromLocal8Bit(argv[1]), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray d = f.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(d.constData()), size_t(d.size()));
        ++n;
    }
    std::printf("replayed %d inputs\n", n);
    return 0;
}
