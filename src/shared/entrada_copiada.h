#pragma once

#include <QString>

// A print job that arrives as a stream (standard input, a job a print server hands over) copied
// whole into a temporary file that has no name on disk: the print core then reads it as it reads
// any file (its language from its first bytes, each line in one pass, unchanged to the end), and
// the copy vanishes with the process whatever ends it, deleting nothing. The copy is bounded: a
// stream longer than kMaximoBytes is refused rather than allowed to fill the disk.
class EntradaCopiada {
  public:
    static constexpr qint64 kMaximoBytes = 256LL * 1024 * 1024;

    // Reads `descriptor` to its end. `nombre` is what the messages call the job («-», the
    // client's title). Throws ErrorVelmor (too long, unreadable, no room for the copy).
    EntradaCopiada(int descriptor, QString nombre, qint64 maximo = kMaximoBytes);
    ~EntradaCopiada();
    EntradaCopiada(const EntradaCopiada&) = delete;
    EntradaCopiada& operator=(const EntradaCopiada&) = delete;

    // The copy as a path the print core opens (read-only, through this process's descriptor).
    QString ruta() const;
    // A message about the copy with the job's name where the copy's path was.
    QString nombra(QString mensaje) const;

  private:
    void copia(int descriptor, qint64 maximo);

    QString nombre_;
    int fd_ = -1;
};
